#pragma once
// Byte loops over a run of neighbouring positions, written so that the compiler turns them
// into vector instructions (with an AVX2 variant picked at run time where the compiler can).
#include <cstdint>

namespace qlm::kernels {

// counts[i] = min(counts[i], cap) + 1 when pixel i of the three planes differs from
// (red, green, blue) by more than `threshold` in any colour, + 0 otherwise.
void addColourMisses(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue,
                     std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t threshold, std::uint8_t cap,
                     std::uint8_t* counts, int count);

// counts[i] = min(counts[i], cap) + 1 when |grey[i] - reference[i]| lies in [low, low + span].
void addGreyBandMisses(const std::uint8_t* grey, const std::uint8_t* reference, std::uint8_t low,
                       std::uint8_t span, std::uint8_t cap, std::uint8_t* counts, int count);

// Index of the first count at most `limit` at or after `from`, or `count` when none.
int firstAtMost(const std::uint8_t* counts, int from, int count, std::uint8_t limit);

// Splits 32-bit blue, green, red, unused pixels into three planes.
void splitPixels(const std::uint8_t* pixels, int count, std::uint8_t* red, std::uint8_t* green,
                 std::uint8_t* blue);

// grey[i] = (red[i] + green[i] + blue[i]) / 3.
void greyOf(const std::uint8_t* red, const std::uint8_t* green, const std::uint8_t* blue, int count,
            std::uint8_t* grey);

// How many counts are at most `limit`.
int countAtMost(const std::uint8_t* counts, int count, std::uint8_t limit);

// lowest[i] = min(lowest[i], row[i]); highest[i] = max(highest[i], row[i]).
void foldMinMax(const std::uint8_t* row, std::uint8_t* lowest, std::uint8_t* highest, int count);

// out[i] = min / max of in[i .. i + length - 1] for i + length <= count; `scratch` holds
// 4 * count bytes.
void windowMinMax(const std::uint8_t* lowestIn, const std::uint8_t* highestIn, int count, int length,
                  std::uint8_t* lowestOut, std::uint8_t* highestOut, std::uint8_t* scratch);

}  // namespace qlm::kernels
