#pragma once
// The small picture's pixels in the order they are compared, and the level class of grey values.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"

namespace qlm {

enum class LevelClass : std::uint16_t { Flat = 0, TwoLevels = 1, ThreeLevels = 2 };

struct GreyRange {
  int minimum = 0;
  int maximum = 0;
  LevelClass levelClass = LevelClass::Flat;
};

// Flat when maximum - minimum <= threshold; three levels when some value lies more than
// `threshold` above the minimum and more than `threshold` below the maximum.
GreyRange greyRangeOf(const std::uint8_t* values, std::size_t count, int threshold);

struct OrderedPixel {
  int col = 0;
  int row = 0;
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t grey = 0;
};

enum class ContrastBy { Colour, Grey };

// Pixels by contrast weight (how many of the four neighbours differ by more than
// `threshold`), 4 down to 0, row order within a weight. Any order gives the same answer;
// this one makes a wrong position fail on its first few pixels.
std::vector<OrderedPixel> orderByContrast(const ColourPlanes& small, int threshold, ContrastBy by);

}  // namespace qlm
