#include "app/PictureFile.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "document/BmpBlock.h"
#include "platform/FileSystem.h"
#include "platform/WholeFile.h"

namespace qlm {
namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

Result<Picture> decodePng(std::span<const std::uint8_t> bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    return Result<Picture>::failure(std::string("not a readable PNG file: ") + image.message);
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxPictureFileSide || image.height > kMaxPictureFileSide) {
    png_image_free(&image);
    return Result<Picture>::failure("the PNG picture is empty or larger than 32768 pixels on a side");
  }
  image.format = PNG_FORMAT_BGRA;
  Picture picture{static_cast<int>(image.width), static_cast<int>(image.height), 32, {}};
  picture.pixels.resize(picture.pixelBytes());
  // A negative row stride fills the buffer bottom-up, as pictures keep their rows.
  const auto stride = -static_cast<png_int_32>(picture.stride());
  if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), stride, nullptr)) {
    return Result<Picture>::failure(std::string("damaged PNG file: ") + image.message);
  }
  return picture;
}

}  // namespace

Result<Picture> decodePictureFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= sizeof kPngSignature && std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0) {
    return decodePng(bytes);
  }
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return readBmpFile(bytes);
  return Result<Picture>::failure("neither a BMP nor a PNG file");
}

Result<Picture> readPictureFile(const std::string& path) {
  constexpr std::uint64_t kLargestFile = 1ull << 30;
  Result<std::vector<std::uint8_t>> bytes = readWholeFile(systemFileSystem(), path, kLargestFile);
  if (!bytes) return Result<Picture>::failure(bytes.error());
  Result<Picture> picture = decodePictureFile(*bytes);
  if (!picture) return Result<Picture>::failure(path + ": " + picture.error());
  return picture;
}

}  // namespace qlm
