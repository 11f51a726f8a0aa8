#include "imaging/ColourCountBound.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

// Each colour costs a pass over every row; two frequent colours give most of the rejections.
constexpr std::size_t kMaxColours = 2;
constexpr long long kLargestSum = 65535;

std::uint32_t packedPixel(int blue, int green, int red, int unused) {
  return static_cast<std::uint32_t>(blue) | static_cast<std::uint32_t>(green) << 8 |
         static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(unused) << 24;
}

// With fewer counted pixels than this many times K, the bound rejects too little.
constexpr long long kCountedMargin = 2;
constexpr int kLargestRowStep = 4;

// A set of small pixels and the box of big pixels they can hit on.
struct PixelSet {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
};

std::uint32_t shiftedPixel(const std::array<int, 3>& rgb, int shift, int unused) {
  const auto clamp = [shift](int value) { return std::clamp(value + shift, 0, 255); };
  return packedPixel(clamp(rgb[2]), clamp(rgb[1]), clamp(rgb[0]), unused);
}

// The sets: the most frequent colours that occur more than K times, then, when fewer than
// kMaxColours do, the most frequent cells of 32 x 32 x 32 colours among the other pixels.
// `setOf` gives each small pixel's set or -1; the sets are disjoint, so their shortfalls add up.
std::vector<PixelSet> choosePixelSets(const ColourPlanes& small, int threshold, long long allowedMisses,
                                      std::vector<int>& setOf) {
  struct Candidate {
    int count = 0;
    std::array<int, 3> lowest{255, 255, 255};
    std::array<int, 3> highest{0, 0, 0};
  };
  std::vector<PixelSet> sets;
  setOf.assign(small.red.size(), -1);
  for (const int cellBits : {0, 5}) {
    if (sets.size() >= kMaxColours) break;
    const auto cellOf = [&](std::size_t i) {
      return std::tuple<int, int, int>{small.red[i] >> cellBits, small.green[i] >> cellBits, small.blue[i] >> cellBits};
    };
    std::map<std::tuple<int, int, int>, Candidate> candidates;
    for (std::size_t i = 0; i < small.red.size(); ++i) {
      if (setOf[i] >= 0) continue;
      Candidate& candidate = candidates[cellOf(i)];
      ++candidate.count;
      const std::array<int, 3> rgb{small.red[i], small.green[i], small.blue[i]};
      for (std::size_t k = 0; k < 3; ++k) {
        candidate.lowest[k] = std::min(candidate.lowest[k], rgb[k]);
        candidate.highest[k] = std::max(candidate.highest[k], rgb[k]);
      }
    }
    std::vector<std::pair<std::tuple<int, int, int>, Candidate>> frequent;
    for (const auto& [cell, candidate] : candidates) {
      if (candidate.count > allowedMisses) frequent.emplace_back(cell, candidate);
    }
    std::sort(frequent.begin(), frequent.end(),
              [](const auto& a, const auto& b) { return a.second.count > b.second.count; });
    for (const auto& [cell, candidate] : frequent) {
      if (sets.size() >= kMaxColours) break;
      const int index = static_cast<int>(sets.size());
      for (std::size_t i = 0; i < small.red.size(); ++i) {
        if (setOf[i] < 0 && cellOf(i) == cell) setOf[i] = index;
      }
      sets.push_back({shiftedPixel(candidate.lowest, -threshold, 0), shiftedPixel(candidate.highest, threshold, 255)});
    }
  }
  return sets;
}

std::vector<std::uint16_t> countsByRow(const ColourPlanes& small, const std::vector<int>& setOf, int set, int step) {
  std::vector<std::uint16_t> counts(static_cast<std::size_t>(step), 0);
  for (int row = 0; row < small.height; ++row) {
    for (int col = 0; col < small.width; ++col) {
      if (setOf[small.index(col, row)] == set) ++counts[static_cast<std::size_t>(row % step)];
    }
  }
  return counts;
}

int rowStep(const ColourPlanes& small, const std::vector<int>& setOf, int sets, long long allowedMisses) {
  for (int step = kLargestRowStep; step > 1; --step) {
    std::vector<long long> counted(static_cast<std::size_t>(step), 0);
    for (int set = 0; set < sets; ++set) {
      const std::vector<std::uint16_t> counts = countsByRow(small, setOf, set, step);
      for (int j = 0; j < step; ++j) counted[static_cast<std::size_t>(j)] += counts[static_cast<std::size_t>(j)];
    }
    if (*std::min_element(counted.begin(), counted.end()) > kCountedMargin * allowedMisses) return step;
  }
  return 1;
}

}  // namespace

void colourBox(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int threshold, std::uint32_t& low,
               std::uint32_t& high) {
  const auto below = [threshold](int value) { return std::max(value - threshold, 0); };
  const auto above = [threshold](int value) { return std::min(value + threshold, 255); };
  low = packedPixel(below(blue), below(green), below(red), 0);
  high = packedPixel(above(blue), above(green), above(red), 255);
}

ColourCountBound::ColourCountBound(const PixelRows& big, const ColourPlanes& small, int threshold,
                                   long long allowedMisses)
    : m_big(big), m_windowHeight(small.height), m_allowedMisses(allowedMisses) {
  // With no miss allowed the pixel comparisons reject at once; the bound would only cost.
  if (allowedMisses <= 0 || threshold < 0 || threshold >= 255 || small.empty() || big.empty() ||
      small.width > big.width || small.height > big.height) {
    return;
  }
  m_blocks = (big.width + kPositionsPerGroup - 1) / kPositionsPerGroup;
  m_groups = (big.width - small.width + kPositionsPerGroup) / kPositionsPerGroup;
  m_groupBlocks = (small.width + kPositionsPerGroup - 2) / kPositionsPerGroup + 1;
  if (static_cast<long long>(m_groupBlocks) * kPositionsPerGroup * small.height > kLargestSum) return;
  std::vector<int> setOf;
  const std::vector<PixelSet> sets = choosePixelSets(small, threshold, allowedMisses, setOf);
  if (sets.empty()) return;
  m_rowStep = rowStep(small, setOf, static_cast<int>(sets.size()), allowedMisses);
  const auto groups = static_cast<std::size_t>(m_groups);
  const auto ringRows = static_cast<std::size_t>((m_windowHeight + m_rowStep - 1) / m_rowStep + 1);
  for (std::size_t set = 0; set < sets.size(); ++set) {
    Colour c;
    c.low = sets[set].low;
    c.high = sets[set].high;
    c.countByRow = countsByRow(small, setOf, static_cast<int>(set), m_rowStep);
    // Zeros beyond the last block serve the groups at the right edge.
    c.blockCounts.assign(static_cast<std::size_t>(m_blocks + m_groupBlocks), 0);
    c.groupSums.assign(groups, 0);
    c.groupRows.assign(ringRows, std::vector<std::uint16_t>(groups));
    m_colours.push_back(std::move(c));
  }
  m_added.resize(groups);
  m_none.assign(groups, 0);
  m_rejected.resize(groups);
}

std::vector<std::uint16_t>& ColourCountBound::slotOf(Colour& colour, int y) const {
  return colour.groupRows[static_cast<std::size_t>(y / m_rowStep) % colour.groupRows.size()];
}

void ColourCountBound::countRow(int y) {
  std::uint32_t lows[kMaxColours] = {};
  std::uint32_t highs[kMaxColours] = {};
  std::uint8_t* counts[kMaxColours] = {};
  for (std::size_t c = 0; c < m_colours.size(); ++c) {
    lows[c] = m_colours[c].low;
    highs[c] = m_colours[c].high;
    counts[c] = m_colours[c].blockCounts.data();
  }
  kernels::countInBoxesByEight(m_big.row(y), m_big.width, lows, highs, static_cast<int>(m_colours.size()), counts);
}

void ColourCountBound::restartAt(int y) {
  for (Colour& colour : m_colours) std::fill(colour.groupSums.begin(), colour.groupSums.end(), std::uint16_t{0});
  for (int row = (y + m_rowStep - 1) / m_rowStep * m_rowStep; row < y + m_windowHeight; row += m_rowStep) {
    countRow(row);
    for (Colour& colour : m_colours) {
      std::vector<std::uint16_t>& sums = slotOf(colour, row);
      kernels::spanSums(colour.blockCounts.data(), m_groups, m_groupBlocks, sums.data());
      kernels::slideSums(colour.groupSums.data(), sums.data(), m_none.data(), m_groups);
    }
  }
  m_row = y;
}

void ColourCountBound::slideTo(int y) {
  const int leaving = y - 1;
  const int entering = y + m_windowHeight - 1;
  const bool leaves = leaving % m_rowStep == 0;
  const bool enters = entering % m_rowStep == 0;
  if (enters) countRow(entering);
  if (leaves || enters) {
    for (Colour& colour : m_colours) {
      const std::vector<std::uint16_t>& removed = leaves ? slotOf(colour, leaving) : m_none;
      if (enters) kernels::spanSums(colour.blockCounts.data(), m_groups, m_groupBlocks, m_added.data());
      kernels::slideSums(colour.groupSums.data(), enters ? m_added.data() : m_none.data(), removed.data(), m_groups);
      // The leaving row's slot may be the entering row's.
      if (enters) slotOf(colour, entering).swap(m_added);
    }
  }
  m_row = y;
}

const std::vector<std::uint8_t>& ColourCountBound::rejectedGroups(int y) {
  if (y == m_rejectedRow) return m_rejected;
  if (y != m_row) {
    if (y == m_row + 1 && m_row >= 0) {
      slideTo(y);
    } else {
      restartAt(y);
    }
  }
  // The small rows landing on counted big rows.
  const auto smallRows = static_cast<std::size_t>((m_rowStep - y % m_rowStep) % m_rowStep);
  const std::uint16_t* sums[kMaxColours] = {};
  std::uint16_t expected[kMaxColours] = {};
  for (std::size_t c = 0; c < m_colours.size(); ++c) {
    sums[c] = m_colours[c].groupSums.data();
    expected[c] = m_colours[c].countByRow[smallRows];
  }
  const auto limit = static_cast<std::uint16_t>(std::min(m_allowedMisses, kLargestSum));
  kernels::markShortGroups(sums, expected, static_cast<int>(m_colours.size()), m_groups, limit, m_rejected.data());
  m_rejectedRow = y;
  return m_rejected;
}

}  // namespace qlm
