#include "document/Base64.h"

#include <algorithm>
#include <new>
#include <vector>

#include "document/BmpBlock.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static_assert(kBase64Piece % 3 == 0 && kBase64Piece / 3 * 4 <= kBase64Buffer);

std::size_t encodeInto(const std::uint8_t* in, std::size_t size, char* out) {
  char* start = out;
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(in[i]) << 16 | in[i + 1] << 8 | in[i + 2];
    *out++ = kAlphabet[group >> 18];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = kAlphabet[(group >> 6) & 63];
    *out++ = kAlphabet[group & 63];
  }
  if (i < size) {
    std::uint32_t group = static_cast<std::uint32_t>(in[i]) << 16 | (i + 1 < size ? in[i + 1] << 8 : 0);
    *out++ = kAlphabet[group >> 18];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = i + 1 < size ? kAlphabet[(group >> 6) & 63] : '=';
    *out++ = '=';
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace

std::string encodeBase64(std::span<const std::uint8_t> data) {
  std::string text((data.size() + 2) / 3 * 4, '\0');
  text.resize(encodeInto(data.data(), data.size(), text.data()));
  return text;
}

bool writeBase64(std::span<const std::uint8_t> data, std::FILE* file) {
  std::vector<char> buffer;
  try {
    buffer.resize(kBase64Buffer);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (std::size_t at = 0; at < data.size(); at += kBase64Piece) {
    std::size_t piece = std::min(kBase64Piece, data.size() - at);
    std::size_t length = encodeInto(data.data() + at, piece, buffer.data());
    if (std::fwrite(buffer.data(), 1, length, file) != length) return false;
  }
  return true;
}

bool Snapshot::writeCutPictureBase64(std::FILE* file) const {
  if (m_cutOut.empty()) return false;
  return writeBase64(bmpFileBytes(m_cutOut), file);
}

}  // namespace qlm
