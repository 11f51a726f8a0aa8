#include "imaging/PositionTests.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

// Byte counters saturate just above K, so the run filter needs K + 2 <= 255.
constexpr long long kLargestFilteredMisses = 253;
// Below this many survivors a run is finished by the exact test.
constexpr int kFewSurvivors = 4;
constexpr std::size_t kSurvivorCheckEvery = 2;

std::vector<std::size_t> offsetsInBig(const std::vector<OrderedPixel>& order, const ColourPlanes& big) {
  std::vector<std::size_t> offsets;
  offsets.reserve(order.size());
  for (const OrderedPixel& p : order) offsets.push_back(big.index(p.col, p.row));
  return offsets;
}

bool filterUsable(const SearchThresholds& thresholds) {
  return thresholds.colour >= 0 && thresholds.allowedMisses <= kLargestFilteredMisses;
}

// True when the caller should stop feeding pixels to this run.
bool fewSurvivors(std::size_t stepsDone, long long limit, const std::uint8_t* counts, int count) {
  const auto steps = static_cast<long long>(stepsDone);
  if (steps <= limit || (steps - limit - 1) % static_cast<long long>(kSurvivorCheckEvery) != 0) return false;
  return kernels::countAtMost(counts, count, static_cast<std::uint8_t>(limit), kFewSurvivors) < kFewSurvivors;
}

}  // namespace

ImageTest::ImageTest(const ColourPlanes& big, const ColourPlanes& small, const SearchThresholds& thresholds)
    : m_big(big),
      m_order(orderByContrast(small, thresholds.colour, ContrastBy::Colour)),
      m_offsets(offsetsInBig(m_order, big)),
      m_thresholds(thresholds),
      m_filterUsable(filterUsable(thresholds)),
      m_bound(big, small, thresholds.colour, thresholds.allowedMisses) {
  if (m_filterUsable) m_limit = static_cast<int>(thresholds.allowedMisses);
}

bool ImageTest::matches(int x, int y) const {
  const std::size_t base = m_big.index(x, y);
  const int t = m_thresholds.colour;
  long long misses = 0;
  for (std::size_t i = 0; i < m_order.size(); ++i) {
    const OrderedPixel& p = m_order[i];
    const std::size_t at = base + m_offsets[i];
    if (std::abs(m_big.red[at] - p.red) > t || std::abs(m_big.green[at] - p.green) > t ||
        std::abs(m_big.blue[at] - p.blue) > t) {
      if (++misses > m_thresholds.allowedMisses) return false;
    }
  }
  return true;
}

void ImageTest::filterRun(int x, int y, int count, std::uint8_t* counts) {
  std::fill(counts, counts + count, std::uint8_t{0});
  if (!m_filterUsable) return;
  const auto cap = static_cast<std::uint8_t>(m_limit + 1);
  if (m_bound.active()) {
    kernels::markOverLimit(m_bound.rowBounds(y).data() + x, count, static_cast<std::uint16_t>(m_limit), cap, counts);
    if (kernels::countAtMost(counts, count, static_cast<std::uint8_t>(m_limit), kFewSurvivors) < kFewSurvivors) {
      return;
    }
  }
  const std::size_t base = m_big.index(x, y);
  const auto threshold = static_cast<std::uint8_t>(m_thresholds.colour);
  for (std::size_t i = 0; i < m_order.size(); ++i) {
    const OrderedPixel& p = m_order[i];
    const std::size_t at = base + m_offsets[i];
    kernels::addColourMisses(m_big.red.data() + at, m_big.green.data() + at, m_big.blue.data() + at, p.red,
                             p.green, p.blue, threshold, cap, counts, count);
    if (fewSurvivors(i + 1, m_limit, counts, count)) return;
  }
}

ShapeTest::ShapeTest(const ColourPlanes& big, const WindowExtrema& extrema, const ColourPlanes& small,
                     const GreyRange& smallRange, const SearchThresholds& thresholds)
    : m_big(big),
      m_extrema(extrema),
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
}

bool ShapeTest::windowFlat(std::size_t position) const {
  return m_extrema.highest[position] - m_extrema.lowest[position] <= m_thresholds.colour;
}

bool ShapeTest::matches(int x, int y) const {
  const std::size_t position = m_extrema.index(x, y);
  const bool bigFlat = windowFlat(position);
  const bool smallFlat = m_smallRange.levelClass == LevelClass::Flat;
  if (bigFlat || smallFlat) return bigFlat && smallFlat;
  const int bm = m_extrema.lowest[position];
  const int bM = m_extrema.highest[position];
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
  for (const Step& step : pairing.steps) {
    const int distance = std::abs(m_big.grey[bigBase + step.offset] - bigReference);
    const auto shifted = static_cast<std::uint8_t>(distance - step.band.low);
    if (shifted <= step.band.span && ++misses > m_thresholds.allowedMisses) return true;
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
  std::vector<Step> unequal;
  std::vector<Step> others;
  for (std::size_t i = 0; i < m_order.size(); ++i) {
    const int distance = std::abs(m_order[i].grey - smallReference);
    Step step{m_offsets[i], Band{}};
    if (distance == 0) {
      if (t >= 255) continue;
      step.band.low = static_cast<std::uint8_t>(t + 1);
      step.band.span = static_cast<std::uint8_t>(255 - step.band.low);
    } else if (distance <= t) {
      step.band.low = 1;
      step.band.span = static_cast<std::uint8_t>(t - 1);
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

void ShapeTest::filterPairing(const Pairing& pairing, int x, int y, int count, std::uint8_t* counts) const {
  const std::size_t base = m_big.index(x, y);
  const std::vector<std::uint8_t>& references = pairing.bigAtMaximum ? m_extrema.highest : m_extrema.lowest;
  const std::uint8_t* reference = references.data() + m_extrema.index(x, y);
  const auto cap = static_cast<std::uint8_t>(m_limit + 1);
  for (const Step& step : pairing.steps) {
    const int survivors = kernels::addGreyBandMisses(m_big.grey.data() + base + step.offset, reference,
                                                     step.band.low, step.band.span, cap, counts, count);
    if (survivors < kFewSurvivors) return;
  }
}

void ShapeTest::filterRun(int x, int y, int count, std::uint8_t* counts) {
  const bool smallFlat = m_smallRange.levelClass == LevelClass::Flat;
  const std::size_t first = m_extrema.index(x, y);
  const auto dead = static_cast<std::uint8_t>(m_limit + 1);
  std::uint8_t flatMark[kRunLength];
  const auto threshold = static_cast<std::uint8_t>(std::max(m_thresholds.colour, 0));
  if (m_thresholds.colour < 0) {
    std::fill(flatMark, flatMark + count, smallFlat ? dead : std::uint8_t{0});
  } else {
    kernels::markFlatness(m_extrema.lowest.data() + first, m_extrema.highest.data() + first, count, threshold,
                          smallFlat, dead, flatMark);
  }
  // Flat windows fill much of a screen; when they leave (almost) nothing alive the exact test finishes.
  if (!m_filterUsable ||
      kernels::countAtMost(flatMark, count, static_cast<std::uint8_t>(m_limit), kFewSurvivors) < kFewSurvivors) {
    std::copy(flatMark, flatMark + count, counts);
    return;
  }
  std::fill(counts, counts + count, dead);
  std::uint8_t pairingCounts[kRunLength];
  for (const Pairing& pairing : m_pairings) {
    std::copy(flatMark, flatMark + count, pairingCounts);
    filterPairing(pairing, x, y, count, pairingCounts);
    kernels::keepLower(counts, pairingCounts, count);
  }
}

}  // namespace qlm
