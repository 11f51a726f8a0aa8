#include "imaging/ExactImageScan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/PixelOrder.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define QLM_HAVE_AVX2_PATH 1
#include <immintrin.h>
#endif

namespace qlm {

namespace {

using Pixel = ExactImageScan::Pixel;

constexpr std::uint32_t kColourBits = 0x00FFFFFF;

std::uint32_t pixelAt(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

bool near(std::uint32_t value, std::uint32_t colour, std::uint8_t threshold) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((value >> shift) & 0xFF);
    const int b = static_cast<int>((colour >> shift) & 0xFF);
    if (std::abs(a - b) > threshold) return false;
  }
  return true;
}

// What one row of positions compares: the pixels tried first (all in one big row), then all.
struct RowPixels {
  const Pixel* first = nullptr;
  std::size_t firstCount = 0;
  const Pixel* all = nullptr;
  std::size_t count = 0;
};

bool allMatch(const std::uint8_t* at, const Pixel* pixels, std::size_t count, std::uint8_t threshold) {
  std::size_t i = 0;
  if (threshold == 0) {
    while (i < count && (pixelAt(at + pixels[i].offset) & kColourBits) == pixels[i].colour) ++i;
  } else {
    while (i < count && near(pixelAt(at + pixels[i].offset), pixels[i].colour, threshold)) ++i;
  }
  return i == count;
}

// The first x of [from, to), other than `skip`, where every pixel matches; -1 when none.
int scanRowPlain(const std::uint8_t* row, const RowPixels& pixels, int from, int to, int skip,
                 std::uint8_t threshold) {
  for (int x = from; x < to; ++x) {
    if (x == skip) continue;
    const std::uint8_t* at = row + 4 * static_cast<std::ptrdiff_t>(x);
    if (allMatch(at, pixels.first, pixels.firstCount, threshold) && allMatch(at, pixels.all, pixels.count, threshold)) {
      return x;
    }
  }
  return -1;
}

// Where in the row a pixel has one of the lead colours: (column, colour index) in column
// order. False, with the list incomplete, beyond `limit` places.
using LeadHits = std::vector<std::pair<int, int>>;

bool collectLeadHitsPlain(const std::uint8_t* row, int width, const std::vector<ExactImageScan::LeadColour>& leads,
                          std::size_t limit, LeadHits& hits) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t value = pixelAt(row + 4 * static_cast<std::ptrdiff_t>(x)) & kColourBits;
    for (std::size_t k = 0; k < leads.size(); ++k) {
      if (value != leads[k].colour) continue;
      if (hits.size() == limit) return false;
      hits.emplace_back(x, static_cast<int>(k));
    }
  }
  return true;
}

#if defined(QLM_HAVE_AVX2_PATH)

__attribute__((target("avx2"))) bool collectLeadHitsAvx2(const std::uint8_t* row, int width,
                                                         const std::vector<ExactImageScan::LeadColour>& leads,
                                                         std::size_t limit, LeadHits& hits) {
  const __m256i mask = _mm256_set1_epi32(static_cast<int>(kColourBits));
  __m256i colours[ExactImageScan::kMostLeadColours];
  for (std::size_t k = 0; k < leads.size(); ++k) colours[k] = _mm256_set1_epi32(static_cast<int>(leads[k].colour));
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m256i value =
        _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * static_cast<std::ptrdiff_t>(x))), mask);
    __m256i any = _mm256_cmpeq_epi32(value, colours[0]);
    for (std::size_t k = 1; k < leads.size(); ++k) any = _mm256_or_si256(any, _mm256_cmpeq_epi32(value, colours[k]));
    if (_mm256_testz_si256(any, any)) continue;
    for (int i = 0; i < 8; ++i) {
      const std::uint32_t pixel = pixelAt(row + 4 * static_cast<std::ptrdiff_t>(x + i)) & kColourBits;
      for (std::size_t k = 0; k < leads.size(); ++k) {
        if (pixel != leads[k].colour) continue;
        if (hits.size() == limit) return false;
        hits.emplace_back(x + i, static_cast<int>(k));
      }
    }
  }
  LeadHits rest;
  if (!collectLeadHitsPlain(row + 4 * static_cast<std::ptrdiff_t>(x), width - x, leads, limit - hits.size(), rest)) {
    return false;
  }
  for (const auto& [column, k] : rest) hits.emplace_back(x + column, k);
  return true;
}

// All ones in the lanes of positions x .. x + 7 whose pixel matches.
template <bool kExact>
__attribute__((target("avx2"))) inline __m256i equalLanes(const std::uint8_t* at, const Pixel& pixel,
                                                          __m256i limit) {
  const __m256i value = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + pixel.offset));
  const __m256i colour = _mm256_set1_epi32(static_cast<int>(pixel.colour));
  if constexpr (kExact) {
    return _mm256_cmpeq_epi32(_mm256_and_si256(value, limit), colour);
  } else {
    const __m256i difference = _mm256_or_si256(_mm256_subs_epu8(value, colour), _mm256_subs_epu8(colour, value));
    return _mm256_cmpeq_epi32(_mm256_subs_epu8(difference, limit), _mm256_setzero_si256());
  }
}

template <bool kExact>
__attribute__((target("avx2"))) inline unsigned matchingLanes(const std::uint8_t* at, const Pixel& pixel,
                                                              __m256i limit) {
  return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(equalLanes<kExact>(at, pixel, limit))));
}

// The first of positions x .. x + 7 where every pixel matches, or -1.
template <bool kExact>
__attribute__((target("avx2"))) inline int firstInGroup(const std::uint8_t* row, int x, const RowPixels& pixels,
                                                        int skip, __m256i limit) {
  const std::uint8_t* at = row + 4 * static_cast<std::ptrdiff_t>(x);
  unsigned lanes = 0xFF;
  for (std::size_t i = 0; lanes != 0 && i < pixels.firstCount; ++i) {
    lanes &= matchingLanes<kExact>(at, pixels.first[i], limit);
  }
  for (std::size_t i = 0; lanes != 0 && i < pixels.count; ++i) lanes &= matchingLanes<kExact>(at, pixels.all[i], limit);
  if (skip >= x && skip < x + 8) lanes &= ~(1u << (skip - x));
  return lanes != 0 ? x + __builtin_ctz(lanes) : -1;
}

template <bool kExact>
__attribute__((target("avx2"))) int scanRowAvx2(const std::uint8_t* row, const RowPixels& pixels, int from, int to,
                                                int skip, std::uint8_t threshold) {
  // Exact: the colour bits. Otherwise: the most each byte may differ, the unused byte anything.
  const std::uint32_t limitBits = kExact ? kColourBits : (0xFF000000u | threshold * 0x010101u);
  const __m256i limit = _mm256_set1_epi32(static_cast<int>(limitBits));
  const Pixel& lead = pixels.first[0];
  int x = from;
  for (; x + 16 <= to; x += 16) {
    const std::uint8_t* at = row + 4 * static_cast<std::ptrdiff_t>(x);
    const __m256i either = _mm256_or_si256(equalLanes<kExact>(at, lead, limit), equalLanes<kExact>(at + 32, lead, limit));
    if (_mm256_testz_si256(either, either)) continue;
    int found = firstInGroup<kExact>(row, x, pixels, skip, limit);
    if (found < 0) found = firstInGroup<kExact>(row, x + 8, pixels, skip, limit);
    if (found >= 0) return found;
  }
  for (; x + 8 <= to; x += 8) {
    const int found = firstInGroup<kExact>(row, x, pixels, skip, limit);
    if (found >= 0) return found;
  }
  return scanRowPlain(row, pixels, x, to, skip, threshold);
}

#endif

}  // namespace

ExactImageScan::ExactImageScan(const PixelRows& big, const ColourPlanes& small, int threshold)
    : m_big(big),
      m_smallHeight(small.height),
      m_threshold(static_cast<std::uint8_t>(std::clamp(threshold, 0, 255))) {
  const std::vector<OrderedPixel> order = orderByContrast(small, threshold, ContrastBy::Colour);
  m_pixels.reserve(order.size());
  for (const OrderedPixel& p : order) {
    Pixel pixel;
    pixel.offset = big.stride * p.row + 4 * static_cast<std::ptrdiff_t>(p.col);
    pixel.colour = static_cast<std::uint32_t>(p.blue) | static_cast<std::uint32_t>(p.green) << 8 |
                   static_cast<std::uint32_t>(p.red) << 16;
    m_pixels.push_back(pixel);
  }
  // Two differently coloured pixels of a row reject more positions than one.
  m_rowFirst.assign(static_cast<std::size_t>(std::max(small.height, 0)), {});
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::vector<Pixel>& first = m_rowFirst[static_cast<std::size_t>(order[i].row)];
    if (first.empty() || (first.size() == 1 && first[0].colour != m_pixels[i].colour)) first.push_back(m_pixels[i]);
  }
  if (m_threshold == 0 && m_smallHeight > 0) {
    m_bandHeight = (m_smallHeight + 1) / 2;
    chooseLeadColours(order);
  }
}

int ExactImageScan::firstInRow(int y, int from, int to, int skip) const {
  if (m_pixels.empty() || from >= to) return -1;
  auto scanRow = &scanRowPlain;
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) scanRow = m_threshold == 0 ? &scanRowAvx2<true> : &scanRowAvx2<false>;
#endif
  const int h = m_smallHeight;
  const int bandLastRow = y / h * h + h - 1;
  const std::vector<Pixel>& first = m_rowFirst[static_cast<std::size_t>(bandLastRow - y)];
  const RowPixels pixels{first.data(), first.size(), m_pixels.data(), m_pixels.size()};
  return scanRow(m_big.row(y), pixels, from, to, skip, m_threshold);
}

Point ExactImageScan::firstMatch(const ScanArea& area) const {
  if (m_pixels.empty()) return kNoPoint;
  m_belowRow = -1;
  const int b = m_bandHeight;
  for (int band = std::max(area.startY, 0) / b; band * b < area.rows; ++band) {
    const Point found = firstMatchInBand(band, area);
    if (found.x >= 0) return found;
  }
  return kNoPoint;
}

namespace {

// How often each colour (sorted, distinct) lies in a few rows spread over the big picture,
// per pixel read. A colour that shares its slot in the lookup table with another counts as
// everywhere, which only costs it the lead.
std::vector<double> screenShares(const PixelRows& big, const std::vector<std::uint32_t>& colours) {
  constexpr int kSampleRows = 8;
  constexpr int kSlotBits = 12;
  const auto slotOf = [](std::uint32_t colour) { return (colour * 0x9E3779B1u) >> (32 - kSlotBits); };
  std::vector<std::int16_t> slots(std::size_t{1} << kSlotBits, -1);
  std::vector<double> shares(colours.size(), 0.0);
  for (std::size_t k = 0; k < colours.size() && k < 0x7FFF; ++k) {
    std::int16_t& slot = slots[slotOf(colours[k])];
    if (slot >= 0) shares[static_cast<std::size_t>(slot)] = shares[k] = 1.0;
    slot = static_cast<std::int16_t>(k);
  }
  std::vector<std::uint32_t> counts(colours.size(), 0);
  for (int i = 0; i < kSampleRows; ++i) {
    const std::uint8_t* row = big.row(static_cast<int>((2LL * i + 1) * big.height / (2 * kSampleRows)));
    for (int x = 0; x < big.width; ++x) {
      const std::uint32_t value = pixelAt(row + 4 * static_cast<std::ptrdiff_t>(x)) & kColourBits;
      const std::int16_t k = slots[slotOf(value)];
      if (k >= 0 && colours[static_cast<std::size_t>(k)] == value) ++counts[static_cast<std::size_t>(k)];
    }
  }
  const double read = static_cast<double>(kSampleRows) * big.width;
  for (std::size_t k = 0; k < colours.size(); ++k) {
    shares[k] = k < 0x7FFF ? std::max(shares[k], counts[k] / read) : 1.0;
  }
  return shares;
}

}  // namespace

// Per small row, the colour of that row rarest on the screen leads it, if rare enough
// that comparing its places costs less than scanning the row; a few colours at most.
void ExactImageScan::chooseLeadColours(const std::vector<OrderedPixel>& pixels) {
  struct Place {
    std::uint32_t colour;
    int row;
    int col;
  };
  std::vector<Place> places;
  places.reserve(pixels.size());
  for (const OrderedPixel& p : pixels) {
    places.push_back({static_cast<std::uint32_t>(p.blue) | static_cast<std::uint32_t>(p.green) << 8 |
                          static_cast<std::uint32_t>(p.red) << 16,
                      p.row, p.col});
  }
  std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return a.colour != b.colour ? a.colour < b.colour : a.row != b.row ? a.row < b.row : a.col < b.col;
  });
  std::vector<std::uint32_t> colours;
  for (const Place& place : places) {
    if (colours.empty() || colours.back() != place.colour) colours.push_back(place.colour);
  }
  const std::vector<double> shares = screenShares(m_big, colours);
  // A row scanned on its own costs about one comparison for every 16 positions.
  constexpr double kMostShare = 1.0 / 16;
  const std::size_t rows = static_cast<std::size_t>(m_smallHeight);
  std::vector<int> rowColour(rows, -1);  // index into colours
  std::vector<int> rowColumn(rows, 0);
  for (const Place& place : places) {
    const auto k = static_cast<int>(std::lower_bound(colours.begin(), colours.end(), place.colour) - colours.begin());
    const double share = shares[static_cast<std::size_t>(k)];
    int& chosen = rowColour[static_cast<std::size_t>(place.row)];
    if (share < kMostShare && (chosen < 0 || share < shares[static_cast<std::size_t>(chosen)])) {
      chosen = k;
      rowColumn[static_cast<std::size_t>(place.row)] = place.col;
    }
  }
  // A row of positions at offset o in its band may be led by small row b - 1 - o, on the
  // band's last row, or by the row b below it, on the next band's: the rarer colour wins.
  const int band = m_bandHeight;
  const auto shareOf = [&](int row) {
    const int k = row < m_smallHeight ? rowColour[static_cast<std::size_t>(row)] : -1;
    return k < 0 ? 2.0 : shares[static_cast<std::size_t>(k)];
  };
  std::vector<LeadColour> leads;
  for (int offset = 0; offset < band; ++offset) {
    const int own = band - 1 - offset;
    const int row = shareOf(own + band) < shareOf(own) ? own + band : own;
    const int k = rowColour[static_cast<std::size_t>(row)];
    if (k < 0) continue;
    const std::uint32_t colour = colours[static_cast<std::size_t>(k)];
    auto lead = std::find_if(leads.begin(), leads.end(), [&](const LeadColour& l) { return l.colour == colour; });
    if (lead == leads.end()) lead = leads.insert(leads.end(), LeadColour{colour, {}});
    lead->rows.emplace_back(row, rowColumn[static_cast<std::size_t>(row)]);
  }
  // The colours that lead most rows.
  std::stable_sort(leads.begin(), leads.end(), [](const LeadColour& a, const LeadColour& b) {
    return a.rows.size() > b.rows.size();
  });
  if (leads.size() > kMostLeadColours) leads.resize(kMostLeadColours);
  m_ledOffsets.assign(static_cast<std::size_t>(band), false);
  for (const LeadColour& lead : leads) {
    for (const auto& [row, column] : lead.rows) m_ledOffsets[static_cast<std::size_t>(band - 1 - row % band)] = true;
  }
  m_leads = std::move(leads);
}

// Rows of positions whose lead colour is known are compared only where their lead row
// holds it; the others, or all when it is held too often, row by row.
Point ExactImageScan::firstMatchInBand(int band, const ScanArea& area) const {
  const int b = m_bandHeight;
  const int lastRow = band * b + b - 1;
  const int firstY = std::max(band * b, std::max(area.startY, 0));
  const int endY = std::min(band * b + b, area.rows);
  std::vector<Point>& candidates = m_candidates;
  bool sparse = false;
  if (!m_leads.empty()) {
    if (m_belowRow == lastRow) {
      candidates.swap(m_below);
      sparse = m_belowSparse;
    } else {
      sparse = leadCandidates(lastRow, area, candidates);
    }
    m_belowRow = lastRow + b;
    m_belowSparse = m_belowRow < m_big.height && leadCandidates(m_belowRow, area, m_below);
    sparse = sparse && (m_belowSparse || m_belowRow >= m_big.height);
  }
  if (sparse && lastRow + b < m_big.height) {
    const auto middle = static_cast<std::ptrdiff_t>(candidates.size());
    candidates.insert(candidates.end(), m_below.begin(), m_below.end());
    std::inplace_merge(candidates.begin(), candidates.begin() + middle, candidates.end(),
                       [](Point a, Point c) { return a.y != c.y ? a.y < c.y : a.x < c.x; });
  }
  auto next = candidates.cbegin();
  for (int y = firstY; y < endY; ++y) {
    const int from = (y == area.startY && area.startX >= 1) ? area.startX : 0;
    const int skip = y == area.skipY ? area.skipX : -1;
    if (!sparse || !m_ledOffsets[static_cast<std::size_t>(y - band * b)]) {
      const int x = firstInRow(y, from, area.columns, skip);
      if (x >= 0) return Point{x, y};
      continue;
    }
    while (next != candidates.cend() && next->y < y) ++next;
    for (; next != candidates.cend() && next->y == y; ++next) {
      const std::uint8_t* pixel = m_big.row(y) + 4 * static_cast<std::ptrdiff_t>(next->x);
      if (next->x >= from && next->x != skip && allMatch(pixel, m_pixels.data(), m_pixels.size(), 0)) return *next;
    }
  }
  return kNoPoint;
}

// The positions, in scan order, whose lead pixel lands on its colour in big row `lastRow`;
// false when there are too many for this to pay.
bool ExactImageScan::leadCandidates(int lastRow, const ScanArea& area, std::vector<Point>& candidates) const {
  // A place costs a few comparisons; past about one in four pixels the row by row
  // scan is cheaper.
  const std::size_t limit = static_cast<std::size_t>(m_big.width) / 4 + 8;
  thread_local LeadHits hits;
  hits.clear();
  candidates.clear();
  bool complete = false;
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) {
    complete = collectLeadHitsAvx2(m_big.row(lastRow), m_big.width, m_leads, limit, hits);
  } else {
    complete = collectLeadHitsPlain(m_big.row(lastRow), m_big.width, m_leads, limit, hits);
  }
#else
  complete = collectLeadHitsPlain(m_big.row(lastRow), m_big.width, m_leads, limit, hits);
#endif
  if (!complete) return false;
  for (const auto& [column, k] : hits) {
    for (const auto& [smallRow, leadColumn] : m_leads[static_cast<std::size_t>(k)].rows) {
      const Point at{column - leadColumn, lastRow - smallRow};
      if (at.x < 0 || at.x >= area.columns) continue;
      if (candidates.size() == limit) return false;
      candidates.push_back(at);
    }
  }
  std::sort(candidates.begin(), candidates.end(), [](Point a, Point b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  return true;
}

}  // namespace qlm
