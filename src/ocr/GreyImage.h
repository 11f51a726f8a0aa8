#pragma once
// What the text-recognition engines are given: one byte per pixel, rows from
// the top, no padding, in four grey levels (0, 64, 128, 192).
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Picture.h"

namespace qlm {

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The weighted grey of one pixel, of which only the two top bits are kept.
std::uint8_t greyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The whole 32-bit picture converted, then `area` copied out of it. Nothing
// when the area is empty or does not lie wholly inside the picture: reading
// an area that leaves the capture would read outside its pixels.
std::optional<GreyImage> greyArea(const Picture& capture, const Rect& area);

// Rows that differ from the most frequent level hold ink; each run of them is a line.
struct InkBands {
  int count = 0;
  int tallest = 0;
  int typical = 0;  // the median height
  std::uint8_t background = 0;
};
InkBands inkBands(const GreyImage& image);

// `image` enlarged `factor` times in both directions, each pixel repeated.
GreyImage enlarged(const GreyImage& image, int factor);

}  // namespace qlm
