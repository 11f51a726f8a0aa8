#include "imaging/WindowExtrema.h"

#include <algorithm>

#include "imaging/MatchKernels.h"

namespace qlm {

void computeWindowExtrema(const ColourPlanes& big, int windowWidth, int windowHeight, WindowExtrema& extrema) {
  if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > big.width || windowHeight > big.height) {
    extrema = WindowExtrema{};
    return;
  }
  extrema.columns = big.width - windowWidth + 1;
  extrema.rows = big.height - windowHeight + 1;
  const std::size_t positions = static_cast<std::size_t>(extrema.columns) * static_cast<std::size_t>(extrema.rows);
  extrema.lowest.resize(positions);
  extrema.highest.resize(positions);

  // Van Herk / Gil-Werman down the columns: rows come in bands of h. A window of h rows
  // starting at band row k is the band's rows k .. h - 1 (a suffix, kept for the band) and
  // the next band's rows 0 .. k - 1 (a prefix, grown row by row), so each row costs three
  // passes whatever h is.
  const std::size_t width = static_cast<std::size_t>(big.width);
  const std::size_t h = static_cast<std::size_t>(windowHeight);
  std::vector<std::uint8_t> suffixLow(h * width);
  std::vector<std::uint8_t> suffixHigh(h * width);
  std::vector<std::uint8_t> prefixLow(width);
  std::vector<std::uint8_t> prefixHigh(width);
  std::vector<std::uint8_t> columnLow(width);
  std::vector<std::uint8_t> columnHigh(width);
  std::vector<std::uint8_t> scratch(4 * width);
  const auto greyRow = [&](int y) { return big.grey.data() + big.index(0, y); };
  for (int y = 0; y < extrema.rows; ++y) {
    const std::size_t k = static_cast<std::size_t>(y) % h;
    if (k == 0) {
      const std::uint8_t* last = greyRow(y + windowHeight - 1);
      std::copy(last, last + width, suffixLow.begin() + static_cast<std::ptrdiff_t>((h - 1) * width));
      std::copy(last, last + width, suffixHigh.begin() + static_cast<std::ptrdiff_t>((h - 1) * width));
      for (std::size_t r = h - 1; r-- > 0;) {
        std::uint8_t* low = suffixLow.data() + r * width;
        std::uint8_t* high = suffixHigh.data() + r * width;
        std::copy(low + width, low + 2 * width, low);
        std::copy(high + width, high + 2 * width, high);
        kernels::foldMinMax(greyRow(y + static_cast<int>(r)), low, high, big.width);
      }
    }
    const std::uint8_t* low = suffixLow.data() + k * width;
    const std::uint8_t* high = suffixHigh.data() + k * width;
    if (k > 0) {
      const std::uint8_t* entering = greyRow(y + windowHeight - 1);
      if (k == 1) {
        std::copy(entering, entering + width, prefixLow.begin());
        std::copy(entering, entering + width, prefixHigh.begin());
      } else {
        kernels::foldMinMax(entering, prefixLow.data(), prefixHigh.data(), big.width);
      }
      kernels::combineMinMax(low, high, prefixLow.data(), prefixHigh.data(), columnLow.data(), columnHigh.data(),
                             big.width);
      low = columnLow.data();
      high = columnHigh.data();
    }
    kernels::windowMinMax(low, high, big.width, windowWidth, extrema.lowest.data() + extrema.index(0, y),
                          extrema.highest.data() + extrema.index(0, y), scratch.data());
  }
}

}  // namespace qlm
