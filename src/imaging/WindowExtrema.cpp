#include "imaging/WindowExtrema.h"

#include <algorithm>

#include "imaging/MatchKernels.h"

namespace qlm {

WindowExtrema computeWindowExtrema(const ColourPlanes& big, int windowWidth, int windowHeight) {
  WindowExtrema extrema;
  if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > big.width || windowHeight > big.height) {
    return extrema;
  }
  extrema.columns = big.width - windowWidth + 1;
  extrema.rows = big.height - windowHeight + 1;
  const std::size_t positions = static_cast<std::size_t>(extrema.columns) * static_cast<std::size_t>(extrema.rows);
  extrema.lowest.resize(positions);
  extrema.highest.resize(positions);

  const std::size_t width = static_cast<std::size_t>(big.width);
  std::vector<std::uint8_t> columnLow(width);
  std::vector<std::uint8_t> columnHigh(width);
  std::vector<std::uint8_t> scratch(4 * width);
  for (int y = 0; y < extrema.rows; ++y) {
    const std::uint8_t* top = big.grey.data() + big.index(0, y);
    std::copy(top, top + width, columnLow.begin());
    std::copy(top, top + width, columnHigh.begin());
    for (int r = 1; r < windowHeight; ++r) {
      kernels::foldMinMax(big.grey.data() + big.index(0, y + r), columnLow.data(), columnHigh.data(), big.width);
    }
    kernels::windowMinMax(columnLow.data(), columnHigh.data(), big.width, windowWidth,
                          extrema.lowest.data() + extrema.index(0, y), extrema.highest.data() + extrema.index(0, y),
                          scratch.data());
  }
  return extrema;
}

}  // namespace qlm
