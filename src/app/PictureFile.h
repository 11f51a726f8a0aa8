#pragma once
// Pictures given on the command line: BMP files as image programs write them,
// and PNG files through libpng.
#include <cstdint>
#include <span>
#include <string>

#include "platform/Picture.h"
#include "platform/Result.h"

namespace qlm {

// Sides beyond this are refused before anything is allocated.
inline constexpr int kMaxPictureFileSide = 1 << 15;

Result<Picture> decodePictureFile(std::span<const std::uint8_t> bytes);
Result<Picture> readPictureFile(const std::string& path);

}  // namespace qlm
