#include "platform/TextEncoding.h"

#include <array>
#include <cstdint>

namespace qlm {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes that have none,
// which are carried as the C1 control of the same value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    char32_t mapped = kHighControls[byte - 0x80];
    return mapped ? mapped : byte;
  }
  return byte;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int byteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
    if (kHighControls[i] == 0 && cp == 0x80 + i) return static_cast<int>(cp);
  }
  return -1;
}

// Decodes one UTF-8 sequence at `pos`; returns its length, 0 when malformed.
std::size_t decodeUtf8(std::string_view text, std::size_t pos, char32_t& cp) {
  auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || pos + length > text.size()) return 0;
  cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (std::size_t i = 1; i < length; ++i) {
    auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string utf8FromCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) appendUtf8(out, codePointOf(static_cast<unsigned char>(c)));
  return out;
}

std::string cp1252FromUtf8(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    std::size_t length = decodeUtf8(text, pos, cp);
    if (length == 0) {
      out += text[pos];
      ++pos;
      continue;
    }
    int byte = byteOf(cp);
    out += byte < 0 ? replacement : static_cast<char>(byte);
    pos += length;
  }
  return out;
}

std::string terminalText(std::string_view text, bool keepLineFeeds) {
  std::string shown;
  shown.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\t' || (c == '\n' && keepLineFeeds)) {
      shown += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      shown += '^';
      shown += static_cast<char>(byte ^ 0x40);
    } else if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] == 0) {
      shown += '?';
    } else {
      shown += c;
    }
  }
  return utf8FromCp1252(shown);
}

}  // namespace qlm
