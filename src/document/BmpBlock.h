#pragma once
// Pictures in the layout of a bitmap file without a colour table: how the
// document file stores a record's capture, and how qlm reads and writes .bmp.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Result.h"
#include "platform/Picture.h"

namespace qlm {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;
inline constexpr std::size_t kBmpHeadersSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;

struct PictureShape {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::uint64_t pixelBytes = 0;
};

std::array<std::uint8_t, kBmpHeadersSize> encodeBmpHeaders(const Picture& picture);

// Checks the stored headers before anything is allocated: the pixel bytes
// they announce must fit in the `available` bytes that follow them.
Result<PictureShape> decodeBmpHeaders(std::span<const std::uint8_t, kBmpHeadersSize> headers,
                                       std::uint64_t available);

// Headers and pixels, as one bitmap file.
std::vector<std::uint8_t> bmpFileBytes(const Picture& picture);

// A .bmp file as image programs write it: uncompressed (or bit fields in the
// usual order) 24 or 32 bits, rows bottom-up or top-down. Becomes a 32-bit picture.
Result<Picture> readBmpFile(std::span<const std::uint8_t> file);

}  // namespace qlm
