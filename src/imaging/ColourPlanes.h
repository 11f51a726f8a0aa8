#pragma once
// A picture split into separate 8-bit planes, rows top-down, index = row * width + column.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Picture.h"

namespace qlm {

struct ColourPlanes {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> red;
  std::vector<std::uint8_t> green;
  std::vector<std::uint8_t> blue;
  std::vector<std::uint8_t> grey;  // (red + green + blue) / 3, filled by fillGreyPlane

  bool empty() const { return width <= 0 || height <= 0; }
  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
};

// Pictures beyond this many pixels per side are refused: no screen is that large,
// and the position arithmetic stays far from overflow.
inline constexpr int kMaxPictureSide = 1 << 15;

// Cuts `area` (top-down coordinates) out of a 32-bit bottom-up pixel buffer of
// `byteCount` bytes whose rows are byteCount / height / 4 pixels apart.
// False, with `planes` emptied, when sizes are inconsistent or the area leaves the picture.
bool loadColourPlanes(const std::uint8_t* pixels, std::size_t byteCount, int width, int height,
                      const Rect& area, ColourPlanes& planes);

// Only SHAPE needs grey values, so loading leaves them out.
void fillGreyPlane(ColourPlanes& planes);

// The same from a Picture, which must be 32 bits per pixel and hold all its rows.
bool loadColourPlanes(const Picture& picture, const Rect& area, ColourPlanes& planes);

}  // namespace qlm
