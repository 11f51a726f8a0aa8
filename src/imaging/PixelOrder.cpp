#include "imaging/PixelOrder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace qlm {

namespace {

bool differs(const ColourPlanes& planes, std::size_t a, std::size_t b, int threshold, ContrastBy by) {
  const auto far = [threshold](std::uint8_t u, std::uint8_t v) { return std::abs(u - v) > threshold; };
  if (by == ContrastBy::Grey) return far(planes.grey[a], planes.grey[b]);
  return far(planes.red[a], planes.red[b]) || far(planes.green[a], planes.green[b]) ||
         far(planes.blue[a], planes.blue[b]);
}

std::vector<int> contrastWeights(const ColourPlanes& small, int threshold, ContrastBy by) {
  std::vector<int> weight(static_cast<std::size_t>(small.width) * static_cast<std::size_t>(small.height), 0);
  for (int row = 0; row < small.height; ++row) {
    for (int col = 0; col < small.width; ++col) {
      const std::size_t here = small.index(col, row);
      if (col + 1 < small.width && differs(small, here, here + 1, threshold, by)) {
        ++weight[here];
        ++weight[here + 1];
      }
      if (row + 1 < small.height) {
        const std::size_t below = small.index(col, row + 1);
        if (differs(small, here, below, threshold, by)) {
          ++weight[here];
          ++weight[below];
        }
      }
    }
  }
  return weight;
}

}  // namespace

GreyRange greyRangeOf(const std::uint8_t* values, std::size_t count, int threshold) {
  GreyRange range;
  if (count == 0) return range;
  const auto [low, high] = std::minmax_element(values, values + count);
  range.minimum = *low;
  range.maximum = *high;
  if (range.maximum - range.minimum <= threshold) return range;
  range.levelClass = LevelClass::TwoLevels;
  const bool middle = std::any_of(values, values + count, [&](std::uint8_t v) {
    return v - range.minimum > threshold && range.maximum - v > threshold;
  });
  if (middle) range.levelClass = LevelClass::ThreeLevels;
  return range;
}

std::vector<OrderedPixel> orderByContrast(const ColourPlanes& small, int threshold, ContrastBy by) {
  const std::vector<int> weight = contrastWeights(small, threshold, by);
  std::vector<OrderedPixel> ordered;
  ordered.reserve(weight.size());
  for (int level = 4; level >= 0; --level) {
    for (int row = 0; row < small.height; ++row) {
      for (int col = 0; col < small.width; ++col) {
        const std::size_t i = small.index(col, row);
        if (weight[i] != level) continue;
        ordered.push_back({col, row, small.red[i], small.green[i], small.blue[i], small.grey[i]});
      }
    }
  }
  return ordered;
}

}  // namespace qlm
