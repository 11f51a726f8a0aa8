#include "imaging/ColourCountBound.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

// Each colour costs a pass over every row; two frequent colours give most of the rejections.
constexpr std::size_t kMaxColours = 2;

}  // namespace

ColourCountBound::ColourCountBound(const ColourPlanes& big, const ColourPlanes& small, int threshold,
                                   long long allowedMisses)
    : m_big(big), m_windowWidth(small.width), m_windowHeight(small.height) {
  // With no miss allowed the pixel comparisons reject at once; the bound would only cost.
  const long long pixels = static_cast<long long>(small.width) * small.height;
  if (allowedMisses <= 0 || threshold < 0 || threshold >= 255 || small.empty() || small.width > big.width ||
      small.height > big.height || pixels > 65535) {
    return;
  }
  m_threshold = static_cast<std::uint8_t>(threshold);
  std::map<std::tuple<int, int, int>, int> histogram;
  for (std::size_t i = 0; i < small.red.size(); ++i) ++histogram[{small.red[i], small.green[i], small.blue[i]}];
  std::vector<std::pair<int, std::tuple<int, int, int>>> byCount;
  for (const auto& [colour, count] : histogram) {
    if (count > allowedMisses) byCount.emplace_back(count, colour);
  }
  std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  if (byCount.size() > kMaxColours) byCount.resize(kMaxColours);
  for (const auto& [count, colour] : byCount) {
    Colour c;
    c.red = static_cast<std::uint8_t>(std::get<0>(colour));
    c.green = static_cast<std::uint8_t>(std::get<1>(colour));
    c.blue = static_cast<std::uint8_t>(std::get<2>(colour));
    c.count = static_cast<std::uint16_t>(count);
    c.columnSums.assign(static_cast<std::size_t>(big.width), 0);
    c.nearRows.assign(static_cast<std::size_t>(m_windowHeight), std::vector<std::uint8_t>(static_cast<std::size_t>(big.width)));
    m_colours.push_back(std::move(c));
  }
  const auto width = static_cast<std::size_t>(big.width);
  m_added.resize(width);
  m_windowCounts.resize(width);
  m_scratch.resize(2 * width);
  m_bounds.resize(width - static_cast<std::size_t>(m_windowWidth) + 1);
}

void ColourCountBound::nearRow(const Colour& colour, int y, std::vector<std::uint8_t>& out) const {
  const std::size_t at = m_big.index(0, y);
  kernels::markNear(m_big.red.data() + at, m_big.green.data() + at, m_big.blue.data() + at, colour.red,
                    colour.green, colour.blue, m_threshold, m_big.width, out.data());
}

void ColourCountBound::restartAt(int y) {
  for (Colour& colour : m_colours) {
    std::fill(colour.columnSums.begin(), colour.columnSums.end(), std::uint16_t{0});
    for (int row = y; row < y + m_windowHeight; ++row) {
      std::vector<std::uint8_t>& near = colour.nearRows[static_cast<std::size_t>(row % m_windowHeight)];
      nearRow(colour, row, near);
      kernels::slideColumnSums(colour.columnSums.data(), near.data(), nullptr, m_big.width);
    }
  }
  m_row = y;
}

void ColourCountBound::slideTo(int y) {
  // The row leaving the window and the one entering it share a slot of the ring.
  for (Colour& colour : m_colours) {
    std::vector<std::uint8_t>& slot = colour.nearRows[static_cast<std::size_t>((y - 1) % m_windowHeight)];
    nearRow(colour, y + m_windowHeight - 1, m_added);
    kernels::slideColumnSums(colour.columnSums.data(), m_added.data(), slot.data(), m_big.width);
    slot.swap(m_added);
  }
  m_row = y;
}

const std::vector<std::uint16_t>& ColourCountBound::rowBounds(int y) {
  if (y == m_boundsRow) return m_bounds;
  if (y != m_row) {
    if (y == m_row + 1 && m_row >= 0) {
      slideTo(y);
    } else {
      restartAt(y);
    }
  }
  std::fill(m_bounds.begin(), m_bounds.end(), std::uint16_t{0});
  const int positions = static_cast<int>(m_bounds.size());
  for (const Colour& colour : m_colours) {
    kernels::windowSums(colour.columnSums.data(), m_big.width, m_windowWidth, m_windowCounts.data(),
                        m_scratch.data());
    kernels::addShortfall(m_bounds.data(), m_windowCounts.data(), colour.count, positions);
  }
  m_boundsRow = y;
  return m_bounds;
}

}  // namespace qlm
