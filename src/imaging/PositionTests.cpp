#include "imaging/PositionTests.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

// Byte counters saturate just above K, so the run filter needs K + 2 <= 255.
constexpr long long kLargestFilteredMisses = 253;
// Below this many survivors a run is finished by the exact test.
constexpr int kFewSurvivors = 4;

std::vector<std::size_t> offsetsInBig(const std::vector<OrderedPixel>& order, const ColourPlanes& big) {
  std::vector<std::size_t> offsets;
  offsets.reserve(order.size());
  for (const OrderedPixel& p : order) offsets.push_back(big.index(p.col, p.row));
  return offsets;
}

bool filterUsable(const SearchThresholds& thresholds) {
  return thresholds.colour >= 0 && thresholds.allowedMisses <= kLargestFilteredMisses;
}

}  // namespace

ImageTest::ImageTest(const PixelRows& big, const ColourPlanes& small, const SearchThresholds& thresholds)
    : m_big(big),
      m_thresholds(thresholds),
      m_filterUsable(filterUsable(thresholds)),
      m_bound(big, small, thresholds.colour, thresholds.allowedMisses) {
  if (m_filterUsable) m_limit = static_cast<int>(thresholds.allowedMisses);
  const std::vector<OrderedPixel> order = orderByContrast(small, thresholds.colour, ContrastBy::Colour);
  m_pixels.reserve(order.size());
  for (const OrderedPixel& p : order) {
    Pixel pixel;
    pixel.offset = big.stride * p.row + 4 * static_cast<std::ptrdiff_t>(p.col);
    if (thresholds.colour >= 0) colourBox(p.red, p.green, p.blue, thresholds.colour, pixel.low, pixel.high);
    m_pixels.push_back(pixel);
  }
}

bool ImageTest::matches(int x, int y) const {
  // With a negative threshold no pixel matches.
  if (m_thresholds.colour < 0) return static_cast<long long>(m_pixels.size()) <= m_thresholds.allowedMisses;
  const std::uint8_t* base = m_big.row(y) + 4 * static_cast<std::ptrdiff_t>(x);
  long long misses = 0;
  for (const Pixel& p : m_pixels) {
    std::uint32_t value;
    std::memcpy(&value, base + p.offset, 4);
    if (!kernels::insideBox(value, p.low, p.high) && ++misses > m_thresholds.allowedMisses) return false;
  }
  return true;
}

// False when the colour counts leave no position of the run.
bool ImageTest::markRejectedGroups(int x, int y, int count, std::uint8_t* counts) {
  const auto dead = static_cast<std::uint8_t>(m_limit + 1);
  if (!m_bound.active()) {
    std::fill(counts, counts + count, std::uint8_t{0});
    return true;
  }
  const std::vector<std::uint8_t>& rejected = m_bound.rejectedGroups(y);
  const int firstGroup = x / kPositionsPerGroup;
  const int lastGroup = (x + count - 1) / kPositionsPerGroup;
  const auto begin = rejected.begin() + firstGroup;
  const auto end = rejected.begin() + lastGroup + 1;
  if (std::find(begin, end, std::uint8_t{0}) == end) {
    std::fill(counts, counts + count, dead);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    counts[i] = rejected[static_cast<std::size_t>((x + i) / kPositionsPerGroup)] != 0 ? dead : std::uint8_t{0};
  }
  return true;
}

int ImageTest::firstCandidate(int x, int y, int columns) {
  if (!m_filterUsable || !m_bound.active()) return x;
  const std::vector<std::uint8_t>& rejected = m_bound.rejectedGroups(y);
  const std::size_t group = static_cast<std::size_t>(x / kPositionsPerGroup);
  const void* kept = std::memchr(rejected.data() + group, 0, rejected.size() - group);
  if (kept == nullptr) return columns;
  const auto keptGroup = static_cast<const std::uint8_t*>(kept) - rejected.data();
  return std::max(x, static_cast<int>(keptGroup) * kPositionsPerGroup);
}

int ImageTest::filterRun(int x, int y, int count, std::uint8_t* counts) {
  if (!m_filterUsable) {
    std::fill(counts, counts + count, std::uint8_t{0});
    return 0;
  }
  if (!markRejectedGroups(x, y, count, counts)) return count;
  const auto limit = static_cast<std::uint8_t>(m_limit);
  const int first = kernels::firstAtMost(counts, 0, count, limit);
  int last = count - 1;
  while (last > first && counts[last] > limit) --last;
  const int span = last - first + 1;
  if (kernels::countAtMost(counts + first, span, limit, kFewSurvivors) < kFewSurvivors) return first;
  const auto cap = static_cast<std::uint8_t>(m_limit + 1);
  const std::uint8_t* base = m_big.row(y) + 4 * static_cast<std::ptrdiff_t>(x + first);
  for (const Pixel& p : m_pixels) {
    if (kernels::addBoxMisses(base + p.offset, p.low, p.high, cap, counts + first, span) < kFewSurvivors) break;
  }
  return first;
}

ShapeTest::ShapeTest(const ColourPlanes& big, const PixelRows& bigPixels, WindowExtrema& extrema,
                     const ColourPlanes& small, const GreyRange& smallRange, const SearchThresholds& thresholds)
    : m_big(big),
      m_extrema(extrema),
      m_bigPixels(bigPixels),
      m_small(small),
      m_smallRange(smallRange),
      m_order(orderByContrast(small, thresholds.colour, ContrastBy::Grey)),
      m_offsets(offsetsInBig(m_order, big)),
      m_thresholds(thresholds),
      m_filterUsable(filterUsable(thresholds) && smallRange.levelClass != LevelClass::Flat) {
  if (!m_filterUsable) return;
  m_limit = static_cast<int>(thresholds.allowedMisses);
  const int sm = smallRange.minimum;
  const int sM = smallRange.maximum;
  m_pairings = {makePairing(false, sm), makePairing(true, sM), makePairing(false, sM), makePairing(true, sm)};
  for (const Pairing& pairing : m_pairings) {
    m_kernelPairings.push_back({pairing.bigAtMaximum, pairing.steps.data(), pairing.steps.size()});
  }
}

bool ShapeTest::windowFlat(int x) const {
  return m_extrema.highest()[x] - m_extrema.lowest()[x] <= m_thresholds.colour;
}

bool ShapeTest::matches(int x, int y) {
  m_extrema.moveTo(y);
  const bool bigFlat = windowFlat(x);
  const bool smallFlat = m_smallRange.levelClass == LevelClass::Flat;
  if (bigFlat || smallFlat) return bigFlat && smallFlat;
  const int bm = m_extrema.lowest()[x];
  const int bM = m_extrema.highest()[x];
  const int sm = m_smallRange.minimum;
  const int sM = m_smallRange.maximum;
  const std::size_t base = m_big.index(x, y);
  if (m_pairings.empty()) {
    return pairingMatches(base, bm, sm) || pairingMatches(base, bM, sM) || pairingMatches(base, bm, sM) ||
           pairingMatches(base, bM, sm);
  }
  for (const Pairing& pairing : m_pairings) {
    const int bigReference = pairing.bigAtMaximum ? bM : bm;
    if (!pairingRejects(pairing, base, bigReference) && pairingMatches(base, bigReference, pairing.smallReference)) {
      return true;
    }
  }
  return false;
}

// The misses of pairingMatches counted in the filter's order, which finds the first ones soonest.
bool ShapeTest::pairingRejects(const Pairing& pairing, std::size_t bigBase, int bigReference) const {
  long long misses = 0;
  for (const kernels::GreyBandStep& step : pairing.steps) {
    const int distance = std::abs(m_big.grey[bigBase + step.offset] - bigReference);
    const auto shifted = static_cast<std::uint8_t>(distance - step.low);
    if (shifted <= step.span && ++misses > m_thresholds.allowedMisses) return true;
  }
  return false;
}

bool ShapeTest::pairingMatches(std::size_t bigBase, int bigReference, int smallReference) const {
  const int t = m_thresholds.colour;
  long long misses = 0;
  long long hits = 0;
  for (std::size_t i = 0; i < m_order.size(); ++i) {
    const int b = m_big.grey[bigBase + m_offsets[i]];
    const int s = m_order[i].grey;
    const bool bigNear = std::abs(b - bigReference) <= t;
    const bool smallExact = s == smallReference;
    const bool bigExact = b == bigReference;
    const bool smallNear = std::abs(s - smallReference) <= t;
    if (bigNear == smallExact || bigExact == smallNear) {
      if (bigNear) ++hits;
    } else if (++misses > m_thresholds.allowedMisses) {
      return false;
    }
  }
  return hits > 0;
}

// With T >= 0 the rule of agreement reduces, for d = |big - big reference|, to: a small pixel
// equal to its reference misses when d > T, one within T (not equal) when 1 <= d <= T, any
// other when d = 0.
ShapeTest::Pairing ShapeTest::makePairing(bool bigAtMaximum, int smallReference) const {
  const int t = m_thresholds.colour;
  Pairing pairing;
  pairing.bigAtMaximum = bigAtMaximum;
  pairing.smallReference = smallReference;
  std::vector<kernels::GreyBandStep> unequal;
  std::vector<kernels::GreyBandStep> others;
  for (std::size_t i = 0; i < m_order.size(); ++i) {
    const int distance = std::abs(m_order[i].grey - smallReference);
    kernels::GreyBandStep step{m_offsets[i], 0, 0};
    if (distance == 0) {
      if (t >= 255) continue;
      step.low = static_cast<std::uint8_t>(t + 1);
      step.span = static_cast<std::uint8_t>(255 - step.low);
    } else if (distance <= t) {
      step.low = 1;
      step.span = static_cast<std::uint8_t>(t - 1);
    }
    (distance > t ? unequal : others).push_back(step);
  }
  // Alternating both kinds rejects a wrong position soonest, on dark and on light screens.
  std::size_t a = 0;
  std::size_t b = 0;
  while (a < unequal.size() || b < others.size()) {
    if (b < others.size()) pairing.steps.push_back(others[b++]);
    if (a < unequal.size()) pairing.steps.push_back(unequal[a++]);
  }
  return pairing;
}

int ShapeTest::filterRun(int x, int y, int count, std::uint8_t* counts) {
  m_extrema.moveTo(y);
  m_extrema.prefetch(x, x + count, 2);
  const std::uint8_t* lowest = m_extrema.lowest() + x;
  const std::uint8_t* highest = m_extrema.highest() + x;
  const auto threshold = static_cast<std::uint8_t>(std::max(m_thresholds.colour, 0));
  const auto dead = static_cast<std::uint8_t>(m_limit + 1);
  const auto smallLowest = static_cast<std::uint8_t>(m_smallRange.minimum);
  const auto smallHighest = static_cast<std::uint8_t>(m_smallRange.maximum);
  if (m_filterUsable) {
    const kernels::ShapeRun run =
        kernels::shapeMisses(m_big.grey.data() + m_big.index(x, y), lowest, highest, threshold,
                             m_kernelPairings.data(), static_cast<int>(m_kernelPairings.size()), dead, smallLowest,
                             smallHighest, counts, count);
    m_firstExtremes = run.firstExtremes;
    return run.firstSurvivor;
  }
  m_firstExtremes = kernels::firstWindowWithExtremes(lowest, highest, count, smallLowest, smallHighest);
  const bool smallFlat = m_smallRange.levelClass == LevelClass::Flat;
  if (m_thresholds.colour < 0) {
    std::fill(counts, counts + count, smallFlat ? dead : std::uint8_t{0});
  } else {
    kernels::markFlatness(lowest, highest, count, threshold, smallFlat, dead, counts);
  }
  return 0;
}

int ShapeTest::firstExactCopy(int x, int y, int count, int skipX) {
  if (m_firstExtremes >= count) return -1;
  if (!m_exactCopies) m_exactCopies.emplace(m_bigPixels, m_small, 0);
  return m_exactCopies->firstInRow(y, x + m_firstExtremes, x + count, skipX);
}

}  // namespace qlm
