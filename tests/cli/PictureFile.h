#pragma once
// A picture file for `qlm append --picture`, written by the program's own encoder.
#include <array>
#include <cstdint>
#include <fstream>
#include <string>

#include "document/BmpBlock.h"

namespace qlm::testing {

// Every pixel is `pixel`: blue, green, red and the fourth byte.
inline void writePictureFile(const std::string& path, int width, int height, std::array<std::uint8_t, 4> pixel) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (std::size_t i = 0; i < picture.pixelBytes(); ++i) picture.pixels.push_back(pixel[i % 4]);
  const std::vector<std::uint8_t> bytes = bmpFileBytes(picture);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qlm::testing
