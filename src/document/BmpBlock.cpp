#include "document/BmpBlock.h"

#include <algorithm>
#include <string>

#include "document/ByteCodec.h"

// Bitmap file header, 14 bytes:      Information header, 40 bytes (at 14):
//   0  u16  type "BM" (0x4D42)          0  u32  size, 40
//   2  u32  file size = pixels + 54     4  i32  width
//   6  u16  reserved, 0                 8  i32  height, positive: rows bottom-up
//   8  u16  reserved, 0                12  u16  planes, 1
//  10  u32  pixel offset, 54           14  u16  bits per pixel
//                                      16  u32  compression, 0
//                                      20  u32  pixel bytes = ((bits * width + 31) & ~31) / 8 * height
//                                      24  i32  x, y resolution, 0
//                                      32  u32  colours used, important colours, 0

namespace qlm {
namespace {

constexpr std::uint16_t kBmpType = 0x4D42;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;

bool knownDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

std::string describe(const char* what, long long value) { return std::string(what) + " " + std::to_string(value); }

}  // namespace

std::array<std::uint8_t, kBmpHeadersSize> encodeBmpHeaders(const Picture& picture) {
  std::array<std::uint8_t, kBmpHeadersSize> headers{};
  auto pixelBytes = static_cast<std::uint32_t>(picture.pixelBytes());
  bytes::putU16(headers, 0, kBmpType);
  bytes::putU32(headers, 2, pixelBytes + static_cast<std::uint32_t>(kBmpHeadersSize));
  bytes::putU32(headers, 10, static_cast<std::uint32_t>(kBmpHeadersSize));
  bytes::putU32(headers, 14, static_cast<std::uint32_t>(kBmpInfoHeaderSize));
  bytes::putI32(headers, 18, picture.width);
  bytes::putI32(headers, 22, picture.height);
  bytes::putU16(headers, 26, 1);
  bytes::putU16(headers, 28, static_cast<std::uint16_t>(picture.bitsPerPixel));
  bytes::putU32(headers, 34, pixelBytes);
  return headers;
}

Result<PictureShape> decodeBmpHeaders(std::span<const std::uint8_t, kBmpHeadersSize> headers,
                                       std::uint64_t available) {
  using Failure = Result<PictureShape>;
  if (bytes::getU16(headers, 0) != kBmpType) return Failure::failure("the picture does not start with BM");
  if (bytes::getU32(headers, 14) != kBmpInfoHeaderSize) return Failure::failure("the picture header is not 40 bytes");
  PictureShape shape;
  shape.width = bytes::getI32(headers, 18);
  shape.height = bytes::getI32(headers, 22);
  shape.bitsPerPixel = bytes::getU16(headers, 28);
  if (shape.width <= 0 || shape.height <= 0) {
    return Failure::failure("the picture is " + std::to_string(shape.width) + " x " + std::to_string(shape.height));
  }
  if (!knownDepth(shape.bitsPerPixel)) return Failure::failure(describe("the picture has bits per pixel", shape.bitsPerPixel));
  if (bytes::getU32(headers, 30) != kUncompressed) return Failure::failure("the picture is compressed");
  std::uint64_t stride = Picture::rowStride(shape.width, shape.bitsPerPixel);
  if (static_cast<std::uint64_t>(shape.height) > available / stride) {
    return Failure::failure("the picture needs more bytes than its block holds");
  }
  shape.pixelBytes = stride * static_cast<std::uint64_t>(shape.height);
  if (bytes::getU32(headers, 34) != shape.pixelBytes) {
    return Failure::failure(describe("the picture's pixel byte count is", bytes::getU32(headers, 34)));
  }
  return shape;
}

std::vector<std::uint8_t> bmpFileBytes(const Picture& picture) {
  auto headers = encodeBmpHeaders(picture);
  std::vector<std::uint8_t> file(headers.begin(), headers.end());
  file.insert(file.end(), picture.pixels.begin(), picture.pixels.end());
  return file;
}

Result<Picture> readBmpFile(std::span<const std::uint8_t> file) {
  using Failure = Result<Picture>;
  if (file.size() < kBmpHeadersSize || bytes::getU16(file, 0) != kBmpType) return Failure::failure("not a bitmap file");
  std::uint32_t pixelOffset = bytes::getU32(file, 10);
  std::uint32_t infoSize = bytes::getU32(file, 14);
  if (infoSize < kBmpInfoHeaderSize || infoSize > file.size() - kBmpFileHeaderSize) {
    return Failure::failure("the bitmap header is damaged");
  }
  int width = bytes::getI32(file, 18);
  int signedHeight = bytes::getI32(file, 22);
  int bits = bytes::getU16(file, 28);
  std::uint32_t compression = bytes::getU32(file, 30);
  if (width <= 0 || signedHeight == 0 || signedHeight == INT32_MIN) return Failure::failure("the bitmap has no pixels");
  if (bits != 24 && bits != 32) return Failure::failure(describe("only 24 and 32 bits per pixel are read, not", bits));
  bool plainMasks = compression == kBitFields && bits == 32 && file.size() >= kBmpHeadersSize + 12 &&
                    bytes::getU32(file, 54) == 0xFF0000 && bytes::getU32(file, 58) == 0xFF00 &&
                    bytes::getU32(file, 62) == 0xFF;
  if (compression != kUncompressed && !plainMasks) return Failure::failure("compressed bitmaps are not read");

  int height = signedHeight < 0 ? -signedHeight : signedHeight;
  std::uint64_t stride = Picture::rowStride(width, bits);
  if (pixelOffset > file.size() || static_cast<std::uint64_t>(height) > (file.size() - pixelOffset) / stride) {
    return Failure::failure("the bitmap file is shorter than its pixels");
  }
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bitsPerPixel = 32;
  picture.pixels.assign(picture.pixelBytes(), 0);
  int bytesPerPixel = bits / 8;
  for (int row = 0; row < height; ++row) {
    // Stored rows come bottom-up unless the height is negative.
    int bottomUpRow = signedHeight > 0 ? row : height - 1 - row;
    const std::uint8_t* source = file.data() + pixelOffset + stride * static_cast<std::uint64_t>(row);
    std::uint8_t* target = picture.pixels.data() + picture.stride() * static_cast<std::size_t>(bottomUpRow);
    for (int x = 0; x < width; ++x) {
      std::copy_n(source + x * bytesPerPixel, 3, target + x * 4);
      target[x * 4 + 3] = bytesPerPixel == 4 ? source[x * 4 + 3] : 0;
    }
  }
  return picture;
}

}  // namespace qlm
