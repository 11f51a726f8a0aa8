#include "platform/ScreenFrame.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qlm {

namespace {

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

// Kept apart so that the compiler vectorises it.
void copyColourBits(const std::uint32_t* __restrict in, std::uint32_t* __restrict out, int width) {
  for (int x = 0; x < width; ++x) out[x] = in[x] & kColourBits;
}

// A picture this large leaves the cache before anyone reads it back, so its stores bypass the
// cache instead of first reading every line they fill.
constexpr std::size_t kStreamedBytes = std::size_t{1} << 20;

void streamColourBits(const std::uint32_t* in, std::uint32_t* out, int width) {
  int x = 0;
#if defined(__SSE2__)
  const auto misalignment = static_cast<int>(reinterpret_cast<std::uintptr_t>(out) % 16 / 4);
  x = std::min(width, (4 - misalignment) % 4);
  copyColourBits(in, out, x);
  const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBits));
  for (; x + 4 <= width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + x), _mm_and_si128(pixels, colour));
  }
#endif
  copyColourBits(in + x, out + x, width - x);
}

}  // namespace

std::uint64_t nextFrameFill() {
  // Any thread that captures counts up.
  static std::atomic<std::uint64_t> fills{0};
  return ++fills;
}

PictureFrame::PictureFrame(Picture picture) : m_picture(std::move(picture)) {
  if (m_picture.bitsPerPixel > 24) m_picture.bitsPerPixel = 32;
}

PixelRows PictureFrame::rows() const { return pictureRows(m_picture); }

PixelRows pictureRows(const Picture& picture) {
  if (picture.empty() || picture.bitsPerPixel != 32 || picture.pixels.size() < picture.pixelBytes()) return PixelRows{};
  return PixelRows{picture.rowFromTop(0), -static_cast<std::ptrdiff_t>(picture.stride()), picture.width,
                   picture.height};
}

void copyRowsInto(const PixelRows& rows, Picture& picture, int left, int top) {
  const bool stream = 4 * static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height) >= kStreamedBytes;
  for (int y = 0; y < rows.height; ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(rows.row(y));
    auto* out = reinterpret_cast<std::uint32_t*>(picture.rowFromTop(top + y)) + left;
    if (stream) {
      streamColourBits(in, out, rows.width);
    } else {
      copyColourBits(in, out, rows.width);
    }
  }
#if defined(__SSE2__)
  if (stream) _mm_sfence();
#endif
}

void convertRows(const PixelRows& rows, Picture& picture) {
  picture.width = rows.width;
  picture.height = rows.height;
  picture.bitsPerPixel = 32;
  picture.pixels.resize(picture.pixelBytes());
  copyRowsInto(rows, picture);
}

}  // namespace qlm
