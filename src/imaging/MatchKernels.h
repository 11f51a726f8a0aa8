#pragma once
// Byte loops over a run of neighbouring positions, written so that the compiler turns them
// into vector instructions (with an AVX2 variant picked at run time where the compiler can).
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

// counts[i] = min(counts[i], cap) + 1 when pixel i of the three planes differs from
// (red, green, blue) by more than `threshold` in any colour, + 0 otherwise.
void addColourMisses(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue,
                     std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t threshold, std::uint8_t cap,
                     std::uint8_t* counts, int count);

// counts[i] = min(counts[i], cap) + 1 when |grey[i] - reference[i]| lies in [low, low + span].
// Returns how many counts stay below cap.
int addGreyBandMisses(const std::uint8_t* grey, const std::uint8_t* reference, std::uint8_t low,
                       std::uint8_t span, std::uint8_t cap, std::uint8_t* counts, int count);

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

// into[i] = min(into[i], from[i]).
void keepLower(std::uint8_t* into, const std::uint8_t* from, int count);

// out[i] = 1 when the pixel is within `threshold` of (r, g, b) in all three colours, else 0.
void markNear(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue, std::uint8_t r,
              std::uint8_t g, std::uint8_t b, std::uint8_t threshold, int count, std::uint8_t* out);

// sums[i] += add[i] - remove[i] (remove may be null).
void slideColumnSums(std::uint16_t* sums, const std::uint8_t* add, const std::uint8_t* remove, int count);

// out[i] = sum of in[i .. i + length - 1] for i + length <= count; `scratch` holds 2 * count values.
void windowSums(const std::uint16_t* in, int count, int length, std::uint16_t* out, std::uint16_t* scratch);

// out[i] = dead when bounds[i] > limit, else 0.
void markOverLimit(const std::uint16_t* bounds, int count, std::uint16_t limit, std::uint8_t dead, std::uint8_t* out);

// bound[i] += max(0, expected - found[i]).
void addShortfall(std::uint16_t* bound, const std::uint16_t* found, std::uint16_t expected, int count);

// lowest[i] = min(lowest[i], row[i]); highest[i] = max(highest[i], row[i]).
void foldMinMax(const std::uint8_t* row, std::uint8_t* lowest, std::uint8_t* highest, int count);

// outLow[i] = min(lowA[i], lowB[i]); outHigh[i] = max(highA[i], highB[i]).
void combineMinMax(const std::uint8_t* lowA, const std::uint8_t* highA, const std::uint8_t* lowB,
                   const std::uint8_t* highB, std::uint8_t* outLow, std::uint8_t* outHigh, int count);

// out[i] = min / max of in[i .. i + length - 1] for i + length <= count; `scratch` holds
// 4 * count bytes.
void windowMinMax(const std::uint8_t* lowestIn, const std::uint8_t* highestIn, int count, int length,
                  std::uint8_t* lowestOut, std::uint8_t* highestOut, std::uint8_t* scratch);

}  // namespace qlm::kernels
