// The picture readers: stored picture headers and .bmp files.
#include <span>

#include "document/BmpBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  if (size >= qlm::kBmpHeadersSize) {
    auto shape = qlm::decodeBmpHeaders(bytes.first<qlm::kBmpHeadersSize>(), size - qlm::kBmpHeadersSize);
    if (shape && shape->pixelBytes > size - qlm::kBmpHeadersSize) __builtin_trap();
  }
  auto picture = qlm::readBmpFile(bytes);
  if (picture && picture->pixels.size() != picture->pixelBytes()) __builtin_trap();
  return 0;
}
