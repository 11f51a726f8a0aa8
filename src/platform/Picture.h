#pragma once
// A device-independent picture as the document file stores it: rows bottom-up,
// each padded to a multiple of 4 bytes; a 32-bit pixel is blue, green, red, unused.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qlm {

struct Picture {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 32;
  std::vector<std::uint8_t> pixels;

  static std::size_t rowStride(int width, int bitsPerPixel) {
    return ((static_cast<std::size_t>(bitsPerPixel) * static_cast<std::size_t>(width) + 31) / 32) * 4;
  }
  std::size_t stride() const { return rowStride(width, bitsPerPixel); }
  std::size_t pixelBytes() const { return stride() * static_cast<std::size_t>(height); }
  bool empty() const { return width <= 0 || height <= 0 || pixels.empty(); }

  // Row `y` counted from the top, as on the screen.
  const std::uint8_t* rowFromTop(int y) const {
    return pixels.data() + stride() * static_cast<std::size_t>(height - 1 - y);
  }
  std::uint8_t* rowFromTop(int y) {
    return pixels.data() + stride() * static_cast<std::size_t>(height - 1 - y);
  }
};

}  // namespace qlm
