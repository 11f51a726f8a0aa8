#include "imaging/MatchKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define QLM_HAVE_AVX2_PATH 1
#include <immintrin.h>
#endif

// GCC builds an AVX2 and a baseline copy of each loop and picks one when the program loads.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QLM_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QLM_VECTOR_CLONES
#endif

namespace qlm {

namespace {

// Written by tests before a search, read by the searching thread.
std::atomic<int> g_forcedPath{-1};

bool processorHasAvx2() {
#if defined(QLM_HAVE_AVX2_PATH)
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
#else
  return false;
#endif
}

}  // namespace

KernelPath kernelPath() {
  const int forced = g_forcedPath.load(std::memory_order_relaxed);
  if (forced == static_cast<int>(KernelPath::Plain) || !processorHasAvx2()) return KernelPath::Plain;
  return KernelPath::Avx2;
}

void forceKernelPath(KernelPath path) { g_forcedPath.store(static_cast<int>(path), std::memory_order_relaxed); }

void stopForcingKernelPath() { g_forcedPath.store(-1, std::memory_order_relaxed); }

}  // namespace qlm

namespace qlm::kernels {

namespace {

// Sixteen bits at most: the library is built for processors without a popcount instruction.
inline int bitCount(unsigned v) {
  v = v - ((v >> 1) & 0x5555u);
  v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
  v = (v + (v >> 4)) & 0x0F0Fu;
  return static_cast<int>((v + (v >> 8)) & 0x1Fu);
}

inline std::uint8_t absDiff(std::uint8_t a, std::uint8_t b) {
  return static_cast<std::uint8_t>(a > b ? a - b : b - a);
}

inline std::uint8_t lower(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
inline std::uint8_t higher(std::uint8_t a, std::uint8_t b) { return a > b ? a : b; }

QLM_VECTOR_CLONES
int addGreyBandMissesPlain(const std::uint8_t* __restrict grey, const std::uint8_t* __restrict reference,
                           std::uint8_t low, std::uint8_t span, std::uint8_t cap, std::uint8_t* __restrict counts,
                           int count) {
  unsigned survivors = 0;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t shifted = static_cast<std::uint8_t>(absDiff(grey[i], reference[i]) - low);
    const std::uint8_t miss = shifted <= span ? 1 : 0;
    const auto updated = static_cast<std::uint8_t>(lower(counts[i], cap) + miss);
    counts[i] = updated;
    survivors += updated < cap ? 1u : 0u;
  }
  return static_cast<int>(survivors);
}

int firstWindowWithExtremesPlain(const std::uint8_t* lowest, const std::uint8_t* highest, int from, int count,
                                 std::uint8_t low, std::uint8_t high) {
  int i = from;
  while (i < count && (lowest[i] != low || highest[i] != high)) ++i;
  return i;
}

ShapeRun shapeMissesPlain(const std::uint8_t* grey, const std::uint8_t* lowest, const std::uint8_t* highest,
                          std::uint8_t threshold, const GreyBandPairing* pairings, int pairingCount, std::uint8_t cap,
                          std::uint8_t extremeLowest, std::uint8_t extremeHighest, std::uint8_t* counts, int count) {
  std::uint8_t start[kMostShapePositions];
  std::uint8_t work[kMostShapePositions];
  int alive = 0;
  for (int i = 0; i < count; ++i) {
    start[i] = static_cast<std::uint8_t>(highest[i] - lowest[i]) <= threshold ? cap : 0;
    alive += start[i] < cap ? 1 : 0;
    counts[i] = cap;
  }
  for (int p = 0; p < pairingCount && alive > 0; ++p) {
    const GreyBandPairing& pairing = pairings[p];
    const std::uint8_t* reference = pairing.fromHighest ? highest : lowest;
    std::copy(start, start + count, work);
    for (std::size_t s = 0; s < pairing.stepCount; ++s) {
      const GreyBandStep& step = pairing.steps[s];
      if (addGreyBandMissesPlain(grey + step.offset, reference, step.low, step.span, cap, work, count) == 0) break;
    }
    for (int i = 0; i < count; ++i) counts[i] = lower(counts[i], work[i]);
  }
  ShapeRun run;
  while (run.firstSurvivor < count && counts[run.firstSurvivor] >= cap) ++run.firstSurvivor;
  run.firstExtremes = firstWindowWithExtremesPlain(lowest, highest, 0, count, extremeLowest, extremeHighest);
  return run;
}

#if defined(QLM_HAVE_AVX2_PATH)

__attribute__((target("avx2"))) inline __m256i loadBlock(const std::uint8_t* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

__attribute__((target("avx2"))) inline unsigned lanesAtMost(__m256i values, __m256i limit) {
  return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(values, limit), values)));
}

// Lanes of positions at + 0 .. 31 that miss on `step`.
__attribute__((target("avx2"))) inline __m256i missingLanes(const std::uint8_t* grey, __m256i r, __m256i low,
                                                            __m256i span) {
  const __m256i g = loadBlock(grey);
  const __m256i shifted = _mm256_sub_epi8(_mm256_or_si256(_mm256_subs_epu8(g, r), _mm256_subs_epu8(r, g)), low);
  return _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, span), shifted);
}

// 0 in the bytes whose bit of `lanes` is set, 1 in the others.
__attribute__((target("avx2"))) inline __m256i zeroWhereSet(unsigned lanes) {
  const __m256i byteOfBit = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,
                                             3, 3, 3, 3, 3, 3, 3, 3);
  const __m256i bitOfByte = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201ull));
  const __m256i spread = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(lanes)), byteOfBit);
  const __m256i set = _mm256_cmpeq_epi8(_mm256_and_si256(spread, bitOfByte), bitOfByte);
  return _mm256_andnot_si256(set, _mm256_set1_epi8(1));
}

// With cap 1 a position survives a pairing only while no step misses, so one block runs
// through a pairing's steps with its lanes in a register and stops at its last survivor.
// A position kept by one pairing needs no other.
__attribute__((target("avx2"))) unsigned survivingLanesAvx2(const std::uint8_t* grey, const std::uint8_t* lowest,
                                                             const std::uint8_t* highest,
                                                             const GreyBandPairing* pairings, int pairingCount,
                                                             unsigned lanes) {
  const __m256i low = loadBlock(lowest);
  const __m256i high = loadBlock(highest);
  unsigned kept = 0;
  for (int p = 0; p < pairingCount && lanes != 0; ++p) {
    const GreyBandPairing& pairing = pairings[p];
    const __m256i r = pairing.fromHighest ? high : low;
    unsigned alive = lanes;
    for (std::size_t s = 0; s < pairing.stepCount && alive != 0; ++s) {
      const GreyBandStep& step = pairing.steps[s];
      // Half the steps miss only on the reference grey itself: one comparison.
      const __m256i miss = step.low == 0 && step.span == 0
                               ? _mm256_cmpeq_epi8(loadBlock(grey + step.offset), r)
                               : missingLanes(grey + step.offset, r, _mm256_set1_epi8(static_cast<char>(step.low)),
                                              _mm256_set1_epi8(static_cast<char>(step.span)));
      alive &= ~static_cast<unsigned>(_mm256_movemask_epi8(miss));
    }
    kept |= alive;
    lanes &= ~alive;
  }
  return kept;
}

// Counts above 1: blocks of 32 positions whose counts all reached cap stay there, so each
// step visits only the blocks that still hold a survivor. `start` holds cap where a window is
// flat and 0 elsewhere; counts become the least over the pairings.
__attribute__((target("avx2"))) void countPairingMissesAvx2(const std::uint8_t* grey, const std::uint8_t* lowest,
                                                            const std::uint8_t* highest,
                                                            const GreyBandPairing* pairings, int pairingCount,
                                                            std::uint8_t cap, const std::uint8_t* start,
                                                            const unsigned* startLanes, unsigned startLive,
                                                            unsigned* kept, std::uint8_t* counts) {
  const __m256i capBytes = _mm256_set1_epi8(static_cast<char>(cap));
  const __m256i limitBytes = _mm256_set1_epi8(static_cast<char>(cap - 1));
  alignas(32) std::uint8_t work[kMostShapePositions];
  unsigned lanes[kMostShapePositions / kGreyBlock];
  for (int p = 0; p < pairingCount; ++p) {
    const GreyBandPairing& pairing = pairings[p];
    const std::uint8_t* reference = pairing.fromHighest ? highest : lowest;
    unsigned live = startLive;
    for (unsigned rest = live; rest != 0; rest &= rest - 1) {
      const int block = __builtin_ctz(rest);
      lanes[block] = startLanes[block];
      std::memcpy(work + kGreyBlock * block, start + kGreyBlock * block, kGreyBlock);
    }
    for (std::size_t s = 0; s < pairing.stepCount && live != 0; ++s) {
      const __m256i low = _mm256_set1_epi8(static_cast<char>(pairing.steps[s].low));
      const __m256i span = _mm256_set1_epi8(static_cast<char>(pairing.steps[s].span));
      const std::uint8_t* stepGrey = grey + pairing.steps[s].offset;
      for (unsigned rest = live; rest != 0; rest &= rest - 1) {
        const int block = __builtin_ctz(rest);
        const int at = kGreyBlock * block;
        const __m256i miss = missingLanes(stepGrey + at, loadBlock(reference + at), low, span);
        auto* target = reinterpret_cast<__m256i*>(work + at);
        const __m256i updated = _mm256_sub_epi8(_mm256_min_epu8(_mm256_load_si256(target), capBytes), miss);
        _mm256_store_si256(target, updated);
        lanes[block] &= lanesAtMost(updated, limitBytes);
        if (lanes[block] == 0) live &= ~(1u << block);
      }
    }
    for (unsigned rest = live; rest != 0; rest &= rest - 1) {
      const int block = __builtin_ctz(rest);
      kept[block] |= lanes[block];
      auto* target = reinterpret_cast<__m256i*>(counts + kGreyBlock * block);
      _mm256_storeu_si256(target, _mm256_min_epu8(_mm256_loadu_si256(target), loadBlock(work + kGreyBlock * block)));
    }
  }
}

// With cap 1 a block's counts are one bit per position.
__attribute__((target("avx2"))) ShapeRun shapeMissesAvx2(
    const std::uint8_t* grey, const std::uint8_t* lowest, const std::uint8_t* highest, std::uint8_t threshold,
    const GreyBandPairing* pairings, int pairingCount, std::uint8_t cap, std::uint8_t extremeLowest,
    std::uint8_t extremeHighest, std::uint8_t* counts, int count) {
  constexpr int kMostBlocks = kMostShapePositions / kGreyBlock;
  const bool bits = cap == 1;
  const int blocks = (count + kGreyBlock - 1) / kGreyBlock;
  const unsigned lastLanes = count % kGreyBlock == 0 ? ~0u : (1u << (count % kGreyBlock)) - 1u;
  const __m256i thresholdBytes = _mm256_set1_epi8(static_cast<char>(threshold));
  const __m256i capBytes = _mm256_set1_epi8(static_cast<char>(cap));
  alignas(32) std::uint8_t start[kMostShapePositions];
  unsigned startLanes[kMostBlocks];
  unsigned kept[kMostBlocks];
  const __m256i extremeLow = _mm256_set1_epi8(static_cast<char>(extremeLowest));
  const __m256i extremeHigh = _mm256_set1_epi8(static_cast<char>(extremeHighest));
  ShapeRun run{count, count};
  unsigned startLive = 0;
  for (int block = 0; block < blocks; ++block) {
    const int at = kGreyBlock * block;
    const __m256i low = loadBlock(lowest + at);
    const __m256i high = loadBlock(highest + at);
    const __m256i range = _mm256_sub_epi8(high, low);
    const __m256i flat = _mm256_cmpeq_epi8(_mm256_min_epu8(range, thresholdBytes), range);
    const unsigned inRun = block == blocks - 1 ? lastLanes : ~0u;
    if (run.firstExtremes == count) {
      const __m256i extremes = _mm256_and_si256(_mm256_cmpeq_epi8(low, extremeLow), _mm256_cmpeq_epi8(high, extremeHigh));
      const unsigned lanes = static_cast<unsigned>(_mm256_movemask_epi8(extremes)) & inRun;
      if (lanes != 0) run.firstExtremes = at + __builtin_ctz(lanes);
    }
    startLanes[block] = ~static_cast<unsigned>(_mm256_movemask_epi8(flat)) & inRun;
    kept[block] = 0;
    if (startLanes[block] != 0) startLive |= 1u << block;
    if (!bits) {
      _mm256_store_si256(reinterpret_cast<__m256i*>(start + at), _mm256_and_si256(flat, capBytes));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(counts + at), capBytes);
    }
  }
  if (bits) {
    for (unsigned rest = startLive; rest != 0; rest &= rest - 1) {
      const int block = __builtin_ctz(rest);
      const int at = kGreyBlock * block;
      kept[block] = survivingLanesAvx2(grey + at, lowest + at, highest + at, pairings, pairingCount, startLanes[block]);
    }
  } else if (startLive != 0) {
    countPairingMissesAvx2(grey, lowest, highest, pairings, pairingCount, cap, start, startLanes, startLive, kept,
                           counts);
  }
  int block = 0;
  while (block < blocks && kept[block] == 0) ++block;
  if (block < blocks) run.firstSurvivor = kGreyBlock * block + __builtin_ctz(kept[block]);
  for (; bits && block < blocks; ++block) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(counts + kGreyBlock * block), zeroWhereSet(kept[block]));
  }
  return run;
}

#endif

}  // namespace

ShapeRun shapeMisses(const std::uint8_t* grey, const std::uint8_t* lowest, const std::uint8_t* highest,
                     std::uint8_t threshold, const GreyBandPairing* pairings, int pairingCount, std::uint8_t cap,
                     std::uint8_t extremeLowest, std::uint8_t extremeHighest, std::uint8_t* counts, int count) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) {
    return shapeMissesAvx2(grey, lowest, highest, threshold, pairings, pairingCount, cap, extremeLowest,
                           extremeHighest, counts, count);
  }
#endif
  return shapeMissesPlain(grey, lowest, highest, threshold, pairings, pairingCount, cap, extremeLowest,
                          extremeHighest, counts, count);
}

int firstWindowWithExtremes(const std::uint8_t* lowest, const std::uint8_t* highest, int count, std::uint8_t low,
                            std::uint8_t high) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i lowBytes = _mm_set1_epi8(static_cast<char>(low));
  const __m128i highBytes = _mm_set1_epi8(static_cast<char>(high));
  for (; i + 16 <= count; i += 16) {
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lowest + i));
    const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(highest + i));
    const int lanes = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(l, lowBytes), _mm_cmpeq_epi8(h, highBytes)));
    if (lanes != 0) return i + __builtin_ctz(static_cast<unsigned>(lanes));
  }
#endif
  return firstWindowWithExtremesPlain(lowest, highest, i, count, low, high);
}

int firstAtMost(const std::uint8_t* counts, int from, int count, std::uint8_t limit) {
  int i = from;
#if defined(__SSE2__)
  const __m128i ceiling = _mm_set1_epi8(static_cast<char>(limit));
  for (; i + 16 <= count; i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + i));
    const int atMost = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(c, ceiling), c));
    if (atMost != 0) return i + __builtin_ctz(static_cast<unsigned>(atMost));
  }
#endif
  for (; i < count; ++i) {
    if (counts[i] <= limit) return i;
  }
  return count;
}

namespace {

inline std::uint32_t pixelAt(const std::uint8_t* pixels, int i) {
  std::uint32_t value;
  std::memcpy(&value, pixels + 4 * static_cast<std::ptrdiff_t>(i), 4);
  return value;
}

int addBoxMissesPlain(const std::uint8_t* pixels, std::uint32_t low, std::uint32_t high, std::uint8_t cap,
                      std::uint8_t* counts, int count) {
  int below = 0;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t miss = insideBox(pixelAt(pixels, i), low, high) ? 0 : 1;
    counts[i] = static_cast<std::uint8_t>(lower(counts[i], cap) + miss);
    below += counts[i] < cap ? 1 : 0;
  }
  return below;
}

void countInBoxesByEightPlain(const std::uint8_t* pixels, int count, const std::uint32_t* lows,
                              const std::uint32_t* highs, int boxes, std::uint8_t* const* blockCounts, int block) {
  for (; 8 * block < count; ++block) {
    const int end = std::min(count, 8 * block + 8);
    for (int box = 0; box < boxes; ++box) {
      std::uint8_t inside = 0;
      for (int i = 8 * block; i < end; ++i) {
        inside = static_cast<std::uint8_t>(inside + (insideBox(pixelAt(pixels, i), lows[box], highs[box]) ? 1 : 0));
      }
      blockCounts[box][block] = inside;
    }
  }
}

void markShortGroupsPlain(const std::uint16_t* const* found, const std::uint16_t* expected, int colours, int from,
                          int groups, std::uint16_t limit, std::uint8_t* rejected) {
  for (int g = from; g < groups; ++g) {
    int bound = 0;
    for (int c = 0; c < colours; ++c) bound += std::max(expected[c] - found[c][g], 0);
    rejected[g] = bound > limit ? 1 : 0;
  }
}

void splitPixelsPlain(const std::uint8_t* __restrict pixels, int count, std::uint8_t* __restrict red,
                      std::uint8_t* __restrict green, std::uint8_t* __restrict blue) {
  for (int i = 0; i < count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, pixels + 4 * i, 4);
    blue[i] = static_cast<std::uint8_t>(v);
    green[i] = static_cast<std::uint8_t>(v >> 8);
    red[i] = static_cast<std::uint8_t>(v >> 16);
  }
}

void greyOfPixelsPlain(const std::uint8_t* __restrict pixels, int count, std::uint8_t* __restrict grey) {
  for (int i = 0; i < count; ++i) {
    const unsigned sum = static_cast<unsigned>(pixels[4 * i]) + pixels[4 * i + 1] + pixels[4 * i + 2];
    grey[i] = static_cast<std::uint8_t>(sum / 3);
  }
}

#if defined(QLM_HAVE_AVX2_PATH)

// 64-bit groups of eight pixels: their 8 blue, 8 green, 8 red, 8 unused bytes.
__attribute__((target("avx2"))) inline __m256i channelGroups(const std::uint8_t* pixels) {
  const __m256i byChannel = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4, 8, 12, 1, 5,
                                             9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
  return _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, byChannel), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

__attribute__((target("avx2"))) void splitPixelsAvx2(const std::uint8_t* pixels, int count, std::uint8_t* red,
                                                     std::uint8_t* green, std::uint8_t* blue) {
  int i = 0;
  for (; i + 32 <= count; i += 32) {
    const std::uint8_t* at = pixels + 4 * static_cast<std::ptrdiff_t>(i);
    const __m256i a = channelGroups(at);
    const __m256i b = channelGroups(at + 32);
    const __m256i c = channelGroups(at + 64);
    const __m256i d = channelGroups(at + 96);
    // Low lanes: blue of two groups; high lanes: red (unpacklo) or unused (unpackhi).
    const __m256i blueRedAb = _mm256_unpacklo_epi64(a, b);
    const __m256i blueRedCd = _mm256_unpacklo_epi64(c, d);
    const __m256i greenAb = _mm256_unpackhi_epi64(a, b);
    const __m256i greenCd = _mm256_unpackhi_epi64(c, d);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(blue + i), _mm256_permute2x128_si256(blueRedAb, blueRedCd, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(red + i), _mm256_permute2x128_si256(blueRedAb, blueRedCd, 0x31));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(green + i), _mm256_permute2x128_si256(greenAb, greenCd, 0x20));
  }
  splitPixelsPlain(pixels + 4 * static_cast<std::ptrdiff_t>(i), count - i, red + i, green + i, blue + i);
}

// Blue + green + red of eight pixels, as 32-bit values.
__attribute__((target("avx2"))) inline __m256i colourSums(const std::uint8_t* pixels) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
  const __m256i pairs = _mm256_maddubs_epi16(v, _mm256_set1_epi32(0x00010101));
  return _mm256_madd_epi16(pairs, _mm256_set1_epi16(1));
}

__attribute__((target("avx2"))) void greyOfPixelsAvx2(const std::uint8_t* pixels, int count, std::uint8_t* grey) {
  // sum / 3 = (sum x 0xAAAB) >> 17 for every sum below 2^16.
  const __m256i third = _mm256_set1_epi16(static_cast<short>(0xAAAB));
  int i = 0;
  for (; i + 32 <= count; i += 32) {
    const std::uint8_t* at = pixels + 4 * static_cast<std::ptrdiff_t>(i);
    const __m256i low = _mm256_packus_epi32(colourSums(at), colourSums(at + 32));
    const __m256i high = _mm256_packus_epi32(colourSums(at + 64), colourSums(at + 96));
    const __m256i lowGrey = _mm256_srli_epi16(_mm256_mulhi_epu16(low, third), 1);
    const __m256i highGrey = _mm256_srli_epi16(_mm256_mulhi_epu16(high, third), 1);
    const __m256i packed = _mm256_packus_epi16(lowGrey, highGrey);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(grey + i),
                        _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
  }
  greyOfPixelsPlain(pixels + 4 * static_cast<std::ptrdiff_t>(i), count - i, grey + i);
}

// All ones in each 32-bit lane whose pixel lies in the box.
__attribute__((target("avx2"))) inline __m256i insideBoxLanes(const std::uint8_t* pixels, __m256i low, __m256i high) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
  return _mm256_cmpeq_epi32(_mm256_min_epu8(_mm256_max_epu8(v, low), high), v);
}

__attribute__((target("avx2,popcnt"))) int addBoxMissesAvx2(const std::uint8_t* pixels, std::uint32_t low,
                                                             std::uint32_t high, std::uint8_t cap,
                                                             std::uint8_t* counts, int count) {
  const __m256i lowLanes = _mm256_set1_epi32(static_cast<int>(low));
  const __m256i highLanes = _mm256_set1_epi32(static_cast<int>(high));
  const __m256i capBytes = _mm256_set1_epi8(static_cast<char>(cap));
  const __m256i limitBytes = _mm256_set1_epi8(static_cast<char>(cap - 1));
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i inPixelOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int below = 0;
  int i = 0;
  for (; i + 32 <= count; i += 32) {
    const std::uint8_t* at = pixels + 4 * static_cast<std::ptrdiff_t>(i);
    const __m256i firstHalf = _mm256_packs_epi32(insideBoxLanes(at, lowLanes, highLanes),
                                                 insideBoxLanes(at + 32, lowLanes, highLanes));
    const __m256i secondHalf = _mm256_packs_epi32(insideBoxLanes(at + 64, lowLanes, highLanes),
                                                  insideBoxLanes(at + 96, lowLanes, highLanes));
    const __m256i inside =
        _mm256_permutevar8x32_epi32(_mm256_packs_epi16(firstHalf, secondHalf), inPixelOrder);
    auto* target = reinterpret_cast<__m256i*>(counts + i);
    const __m256i capped = _mm256_min_epu8(_mm256_loadu_si256(target), capBytes);
    // An inside pixel adds 1 + (-1).
    const __m256i updated = _mm256_add_epi8(_mm256_add_epi8(capped, ones), inside);
    _mm256_storeu_si256(target, updated);
    const __m256i alive = _mm256_cmpeq_epi8(_mm256_min_epu8(updated, limitBytes), updated);
    below += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(alive)));
  }
  return below + addBoxMissesPlain(pixels + 4 * static_cast<std::ptrdiff_t>(i), low, high, cap, counts + i, count - i);
}

__attribute__((target("avx2,popcnt"))) void countInBoxesByEightAvx2(const std::uint8_t* pixels, int count,
                                                                    const std::uint32_t* lows,
                                                                    const std::uint32_t* highs, int boxes,
                                                                    std::uint8_t* const* blockCounts) {
  constexpr int kMostBoxes = 4;
  if (boxes > kMostBoxes) return countInBoxesByEightPlain(pixels, count, lows, highs, boxes, blockCounts, 0);
  __m256i lowLanes[kMostBoxes];
  __m256i highLanes[kMostBoxes];
  for (int box = 0; box < boxes; ++box) {
    lowLanes[box] = _mm256_set1_epi32(static_cast<int>(lows[box]));
    highLanes[box] = _mm256_set1_epi32(static_cast<int>(highs[box]));
  }
  int block = 0;
  for (; 8 * block + 8 <= count; ++block) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 32 * static_cast<std::ptrdiff_t>(block)));
    for (int box = 0; box < boxes; ++box) {
      const __m256i inside = _mm256_cmpeq_epi32(_mm256_min_epu8(_mm256_max_epu8(v, lowLanes[box]), highLanes[box]), v);
      blockCounts[box][block] = static_cast<std::uint8_t>(
          __builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(inside)))));
    }
  }
  countInBoxesByEightPlain(pixels, count, lows, highs, boxes, blockCounts, block);
}

__attribute__((target("avx2"))) void markShortGroupsAvx2(const std::uint16_t* const* found,
                                                          const std::uint16_t* expected, int colours, int groups,
                                                          std::uint16_t limit, std::uint8_t* rejected) {
  const __m256i limitLanes = _mm256_set1_epi16(static_cast<short>(limit));
  int g = 0;
  for (; g + 16 <= groups; g += 16) {
    __m256i bound = _mm256_setzero_si256();
    for (int c = 0; c < colours; ++c) {
      const __m256i near = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(found[c] + g));
      bound = _mm256_adds_epu16(bound, _mm256_subs_epu16(_mm256_set1_epi16(static_cast<short>(expected[c])), near));
    }
    const __m256i over = _mm256_min_epu16(_mm256_subs_epu16(bound, limitLanes), _mm256_set1_epi16(1));
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(over), _mm256_extracti128_si256(over, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rejected + g), bytes);
  }
  markShortGroupsPlain(found, expected, colours, g, groups, limit, rejected);
}

#endif

}  // namespace

void markShortGroups(const std::uint16_t* const* found, const std::uint16_t* expected, int colours, int groups,
                     std::uint16_t limit, std::uint8_t* rejected) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) return markShortGroupsAvx2(found, expected, colours, groups, limit, rejected);
#endif
  markShortGroupsPlain(found, expected, colours, 0, groups, limit, rejected);
}

QLM_VECTOR_CLONES
void spanSums(const std::uint8_t* __restrict in, int count, int span, std::uint16_t* __restrict out) {
  for (int i = 0; i < count; ++i) out[i] = in[i];
  for (int k = 1; k < span; ++k) {
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint16_t>(out[i] + in[i + k]);
  }
}

QLM_VECTOR_CLONES
void slideSums(std::uint16_t* __restrict sums, const std::uint16_t* __restrict add,
               const std::uint16_t* __restrict remove, int count) {
  for (int i = 0; i < count; ++i) sums[i] = static_cast<std::uint16_t>(sums[i] + add[i] - remove[i]);
}

int addBoxMisses(const std::uint8_t* pixels, std::uint32_t low, std::uint32_t high, std::uint8_t cap,
                 std::uint8_t* counts, int count) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) return addBoxMissesAvx2(pixels, low, high, cap, counts, count);
#endif
  return addBoxMissesPlain(pixels, low, high, cap, counts, count);
}

void countInBoxesByEight(const std::uint8_t* pixels, int count, const std::uint32_t* lows,
                         const std::uint32_t* highs, int boxes, std::uint8_t* const* blockCounts) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) return countInBoxesByEightAvx2(pixels, count, lows, highs, boxes, blockCounts);
#endif
  countInBoxesByEightPlain(pixels, count, lows, highs, boxes, blockCounts, 0);
}

void splitPixels(const std::uint8_t* pixels, int count, std::uint8_t* red, std::uint8_t* green,
                 std::uint8_t* blue) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) return splitPixelsAvx2(pixels, count, red, green, blue);
#endif
  splitPixelsPlain(pixels, count, red, green, blue);
}

void greyOfPixels(const std::uint8_t* pixels, int count, std::uint8_t* grey) {
#if defined(QLM_HAVE_AVX2_PATH)
  if (kernelPath() == KernelPath::Avx2) return greyOfPixelsAvx2(pixels, count, grey);
#endif
  greyOfPixelsPlain(pixels, count, grey);
}

QLM_VECTOR_CLONES
void greyOf(const std::uint8_t* __restrict red, const std::uint8_t* __restrict green,
            const std::uint8_t* __restrict blue, int count, std::uint8_t* __restrict grey) {
  for (int i = 0; i < count; ++i) {
    const unsigned sum = static_cast<unsigned>(red[i]) + green[i] + blue[i];
    grey[i] = static_cast<std::uint8_t>(sum / 3);
  }
}

int countAtMost(const std::uint8_t* counts, int count, std::uint8_t limit, int enough) {
  int total = 0;
  int i = 0;
#if defined(__SSE2__)
  const __m128i ceiling = _mm_set1_epi8(static_cast<char>(limit));
  for (; i + 16 <= count && total < enough; i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + i));
    total += bitCount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(c, ceiling), c))));
  }
#endif
  for (; i < count && total < enough; ++i) total += counts[i] <= limit ? 1 : 0;
  return std::min(total, enough);
}

QLM_VECTOR_CLONES
void markFlatness(const std::uint8_t* __restrict lowest, const std::uint8_t* __restrict highest, int count,
                  std::uint8_t threshold, bool wantFlat, std::uint8_t dead, std::uint8_t* __restrict out) {
  const std::uint8_t flatMark = wantFlat ? 0 : dead;
  const std::uint8_t otherMark = wantFlat ? dead : 0;
  for (int i = 0; i < count; ++i) {
    const auto range = static_cast<std::uint8_t>(highest[i] - lowest[i]);
    out[i] = range <= threshold ? flatMark : otherMark;
  }
}

QLM_VECTOR_CLONES
void foldMinMax(const std::uint8_t* __restrict row, std::uint8_t* __restrict lowest,
                std::uint8_t* __restrict highest, int count) {
  for (int i = 0; i < count; ++i) {
    lowest[i] = lower(lowest[i], row[i]);
    highest[i] = higher(highest[i], row[i]);
  }
}

QLM_VECTOR_CLONES
void foldAndCombineMinMax(const std::uint8_t* __restrict row, std::uint8_t* __restrict lowest,
                          std::uint8_t* __restrict highest, const std::uint8_t* __restrict otherLow,
                          const std::uint8_t* __restrict otherHigh, std::uint8_t* __restrict outLow,
                          std::uint8_t* __restrict outHigh, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint8_t low = lower(lowest[i], row[i]);
    const std::uint8_t high = higher(highest[i], row[i]);
    lowest[i] = low;
    highest[i] = high;
    outLow[i] = lower(otherLow[i], low);
    outHigh[i] = higher(otherHigh[i], high);
  }
}

QLM_VECTOR_CLONES
void combineMinMax(const std::uint8_t* __restrict lowA, const std::uint8_t* __restrict highA,
                   const std::uint8_t* __restrict lowB, const std::uint8_t* __restrict highB,
                   std::uint8_t* __restrict outLow, std::uint8_t* __restrict outHigh, int count) {
  for (int i = 0; i < count; ++i) {
    outLow[i] = lower(lowA[i], lowB[i]);
    outHigh[i] = higher(highA[i], highB[i]);
  }
}

namespace {

// Each output takes four inputs, at i, i + second, i + third and i + fourth.
QLM_VECTOR_CLONES
void minMaxOfFour(const std::uint8_t* __restrict lowIn, const std::uint8_t* __restrict highIn, int count, int second,
                  int third, int fourth, std::uint8_t* __restrict lowOut, std::uint8_t* __restrict highOut) {
  for (int i = 0; i < count; ++i) {
    lowOut[i] = lower(lower(lowIn[i], lowIn[i + second]), lower(lowIn[i + third], lowIn[i + fourth]));
    highOut[i] = higher(higher(highIn[i], highIn[i + second]), higher(highIn[i + third], highIn[i + fourth]));
  }
}

}  // namespace

// After k rounds each entry covers 4^k inputs; at most four overlapping spans of the largest
// such size cover any window length.
void windowMinMax(const std::uint8_t* lowestIn, const std::uint8_t* highestIn, int count, int length,
                  std::uint8_t* lowestOut, std::uint8_t* highestOut, std::uint8_t* scratch) {
  const int outputs = count - length + 1;
  if (outputs <= 0) return;
  const std::uint8_t* low = lowestIn;
  const std::uint8_t* high = highestIn;
  std::uint8_t* buffers[2][2] = {{scratch, scratch + count}, {scratch + 2 * count, scratch + 3 * count}};
  int span = 1;
  int valid = count;
  int next = 0;
  while (span * 4 <= length) {
    valid -= 3 * span;
    minMaxOfFour(low, high, valid, span, 2 * span, 3 * span, buffers[next][0], buffers[next][1]);
    low = buffers[next][0];
    high = buffers[next][1];
    next ^= 1;
    span *= 4;
  }
  const int last = length - span;
  minMaxOfFour(low, high, outputs, std::min(span, last), std::min(2 * span, last), last, lowestOut, highestOut);
}

}  // namespace qlm::kernels
