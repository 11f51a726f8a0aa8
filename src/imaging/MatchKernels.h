#pragma once
// Byte loops over a run of neighbouring positions, written so that the compiler turns them
// into vector instructions (with an AVX2 variant picked at run time where the compiler can).
#include <cstddef>
#include <cstdint>

namespace qlm {

enum class KernelPath { Plain, Avx2 };

// The kernels written with AVX2 instructions run where the processor has them. Tests force
// the plain path to check that both give the same results.
KernelPath kernelPath();
void forceKernelPath(KernelPath path);
void stopForcingKernelPath();

}  // namespace qlm

namespace qlm::kernels {

// A colour box holds, byte by byte of 32-bit blue, green, red, unused pixels, the lowest
// (`low`) and highest (`high`) value that still matches.
inline bool insideBox(std::uint32_t pixel, std::uint32_t low, std::uint32_t high) {
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t value = (pixel >> shift) & 0xFFu;
    if (value < ((low >> shift) & 0xFFu) || value > ((high >> shift) & 0xFFu)) return false;
  }
  return true;
}

// counts[i] = min(counts[i], cap) + 1 when the 32-bit pixel i lies outside the box, + 0
// otherwise. Returns how many counts end below `cap`.
int addBoxMisses(const std::uint8_t* pixels, std::uint32_t low, std::uint32_t high, std::uint8_t cap,
                 std::uint8_t* counts, int count);

// blockCounts[i][b] = how many of the 32-bit pixels 8b .. 8b + 7 (those below `count`) lie in
// box i (lows[i], highs[i]), for i < boxes.
void countInBoxesByEight(const std::uint8_t* pixels, int count, const std::uint32_t* lows,
                         const std::uint32_t* highs, int boxes, std::uint8_t* const* blockCounts);

// A pixel of the small picture in the shape filter: position i misses on it when
// d = |grey[offset + i] - reference[i]| lies in [low, low + span].
struct GreyBandStep {
  std::size_t offset = 0;
  std::uint8_t low = 0;
  std::uint8_t span = 0;
};

// One way of pairing the grey levels of both pictures: the reference of position i is
// highest[i] or lowest[i], the grey extremes of its window.
struct GreyBandPairing {
  bool fromHighest = false;
  const GreyBandStep* steps = nullptr;
  std::size_t stepCount = 0;
};

// Reads of grey, lowest and highest may go up to the next multiple of this many positions.
inline constexpr int kGreyBlock = 32;
inline constexpr int kMostShapePositions = 32 * kGreyBlock;

struct ShapeRun {
  int firstSurvivor = 0;  // the first count below cap, or `count`
  int firstExtremes = 0;  // the first window whose lowest and highest are the ones asked for, or `count`
};

// The shape filter of a run of at most kMostShapePositions positions: counts[i] >= cap when
// window i is flat (highest[i] - lowest[i] <= threshold), else the least over the pairings of
// min(cap, its misses on the pairing's steps). A pairing stops once no count is below cap.
// Only the counts from the first survivor on are filled.
ShapeRun shapeMisses(const std::uint8_t* grey, const std::uint8_t* lowest, const std::uint8_t* highest,
                     std::uint8_t threshold, const GreyBandPairing* pairings, int pairingCount, std::uint8_t cap,
                     std::uint8_t extremeLowest, std::uint8_t extremeHighest, std::uint8_t* counts, int count);

// The first i with lowest[i] == low and highest[i] == high, or `count`.
int firstWindowWithExtremes(const std::uint8_t* lowest, const std::uint8_t* highest, int count, std::uint8_t low,
                            std::uint8_t high);

// Index of the first count at most `limit` at or after `from`, or `count` when none.
int firstAtMost(const std::uint8_t* counts, int from, int count, std::uint8_t limit);

// Splits 32-bit blue, green, red, unused pixels into three planes.
void splitPixels(const std::uint8_t* pixels, int count, std::uint8_t* red, std::uint8_t* green,
                 std::uint8_t* blue);

// grey[i] = (red + green + blue) / 3 of the 32-bit pixel i.
void greyOfPixels(const std::uint8_t* pixels, int count, std::uint8_t* grey);

// grey[i] = (red[i] + green[i] + blue[i]) / 3.
void greyOf(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue, int count,
            std::uint8_t* grey);

// How many counts are at most `limit`, counting no further than `enough`.
int countAtMost(const std::uint8_t* counts, int count, std::uint8_t limit, int enough);

// out[i] = 0 when (highest[i] - lowest[i] <= threshold) == wantFlat, `dead` otherwise.
void markFlatness(const std::uint8_t* lowest, const std::uint8_t* highest, int count, std::uint8_t threshold,
                  bool wantFlat, std::uint8_t dead, std::uint8_t* out);

// rejected[g] = 1 when the sum over colours c < `colours` of max(0, expected[c] - found[c][g])
// exceeds `limit`, else 0.
void markShortGroups(const std::uint16_t* const* found, const std::uint16_t* expected, int colours, int groups,
                     std::uint16_t limit, std::uint8_t* rejected);

// out[i] = in[i] + .. + in[i + span - 1] for i < count.
void spanSums(const std::uint8_t* in, int count, int span, std::uint16_t* out);

// sums[i] += add[i] - remove[i].
void slideSums(std::uint16_t* sums, const std::uint16_t* add, const std::uint16_t* remove, int count);

// lowest[i] = min(lowest[i], row[i]); highest[i] = max(highest[i], row[i]).
void foldMinMax(const std::uint8_t* row, std::uint8_t* lowest, std::uint8_t* highest, int count);

// lowest[i] = min(lowest[i], row[i]), highest[i] = max(highest[i], row[i]), then outLow[i] =
// min(otherLow[i], lowest[i]) and outHigh[i] = max(otherHigh[i], highest[i]) in the same pass.
void foldAndCombineMinMax(const std::uint8_t* row, std::uint8_t* lowest, std::uint8_t* highest,
                          const std::uint8_t* otherLow, const std::uint8_t* otherHigh, std::uint8_t* outLow,
                          std::uint8_t* outHigh, int count);

// outLow[i] = min(lowA[i], lowB[i]); outHigh[i] = max(highA[i], highB[i]).
void combineMinMax(const std::uint8_t* lowA, const std::uint8_t* highA, const std::uint8_t* lowB,
                   const std::uint8_t* highB, std::uint8_t* outLow, std::uint8_t* outHigh, int count);

// out[i] = min / max of in[i .. i + length - 1] for i + length <= count; `scratch` holds
// 4 * count bytes.
void windowMinMax(const std::uint8_t* lowestIn, const std::uint8_t* highestIn, int count, int length,
                  std::uint8_t* lowestOut, std::uint8_t* highestOut, std::uint8_t* scratch);

}  // namespace qlm::kernels
