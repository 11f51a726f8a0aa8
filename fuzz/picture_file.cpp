// The pictures qlm ocr and qlm find read: PNG through libpng, BMP through our reader.
#include <span>

#include "app/PictureFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto picture = qlm::decodePictureFile(std::span<const std::uint8_t>(data, size));
  if (picture && (picture->pixels.size() != picture->pixelBytes() || picture->width <= 0 || picture->height <= 0)) {
    __builtin_trap();
  }
  return 0;
}
