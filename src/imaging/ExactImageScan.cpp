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

#if defined(QLM_HAVE_AVX2_PATH)

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
      m_threshold(static_cast<std::uint8_t>(std::clamp(threshold, 0, 255))),
      m_path(kernelPath()) {
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
}

int ExactImageScan::firstInRow(int y, int from, int to, int skip) const {
  if (m_pixels.empty() || from >= to) return -1;
  auto scanRow = &scanRowPlain;
#if defined(QLM_HAVE_AVX2_PATH)
  if (m_path == KernelPath::Avx2) scanRow = m_threshold == 0 ? &scanRowAvx2<true> : &scanRowAvx2<false>;
#endif
  const int h = m_smallHeight;
  const int bandLastRow = y / h * h + h - 1;
  const std::vector<Pixel>& first = m_rowFirst[static_cast<std::size_t>(bandLastRow - y)];
  const RowPixels pixels{first.data(), first.size(), m_pixels.data(), m_pixels.size()};
  return scanRow(m_big.row(y), pixels, from, to, skip, m_threshold);
}

Point ExactImageScan::firstMatch(const ScanArea& area) const {
  for (int y = std::max(area.startY, 0); y < area.rows; ++y) {
    const int from = (y == area.startY && area.startX >= 1) ? area.startX : 0;
    const int x = firstInRow(y, from, area.columns, y == area.skipY ? area.skipX : -1);
    if (x >= 0) return Point{x, y};
  }
  return kNoPoint;
}

}  // namespace qlm
