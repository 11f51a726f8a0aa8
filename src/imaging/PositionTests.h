#pragma once
// The two tests of one position of the small picture in the big one. Each has an exact
// test and a filter for a run of neighbouring positions of one row: the filter counts misses
// on the first pixels of the comparison order only, so it rejects a position only when the
// exact test would reject it too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/ColourCountBound.h"
#include "imaging/ColourPlanes.h"
#include "imaging/ExactImageScan.h"
#include "imaging/MatchKernels.h"
#include "imaging/PixelOrder.h"
#include "imaging/PixelRows.h"
#include "imaging/WindowExtrema.h"

namespace qlm {

struct SearchThresholds {
  int colour = 0;              // T, kept within -1..255 (same comparisons as any value beyond)
  long long allowedMisses = 0;  // K
};

// Both tests filter runs of neighbouring positions of a row; the positions of a run whose
// filter count is at most K survive.

// Reads the big picture's 32-bit pixels where they lie.
class ImageTest {
 public:
  static constexpr int kRunLength = 256;

  ImageTest(const PixelRows& big, const ColourPlanes& small, const SearchThresholds& thresholds);
  bool matches(int x, int y) const;
  // Fills counts[0..count) for positions (x .. x + count - 1, y); survivors have count <= limit().
  // Returns the first count that may be a survivor, or `count`.
  int filterRun(int x, int y, int count, std::uint8_t* counts);
  int limit() const { return m_limit; }
  // The first column from x on whose position (column, y) the filter may keep, or `columns`.
  int firstCandidate(int x, int y, int columns);

 private:
  struct Pixel {
    std::ptrdiff_t offset = 0;  // bytes from the position's top-left pixel in the big picture
    std::uint32_t low = 0;      // the box of big pixels it hits on
    std::uint32_t high = 0;
  };

  bool markRejectedGroups(int x, int y, int count, std::uint8_t* counts);

  PixelRows m_big;
  std::vector<Pixel> m_pixels;  // in comparison order
  SearchThresholds m_thresholds;
  int m_limit = 0;
  bool m_filterUsable = false;
  ColourCountBound m_bound;
};

// Reads the big picture's grey rows and the extrema of its windows, both made as the rows
// of positions are reached. The shape rule misses pixels of in-between greys even where the
// screen holds the very pixels of the area, so an exact copy counts as a match too: its
// window's grey extremes are the small picture's, which leaves few positions to compare.
class ShapeTest {
 public:
  // As long as the filter takes: its passes skip the blocks of a run without survivors, so a
  // long run only spreads the fixed costs of each pass.
  static constexpr int kRunLength = kernels::kMostShapePositions;
  // `bigPixels` are the big picture's pixels, read for exact copies.
  ShapeTest(const ColourPlanes& big, const PixelRows& bigPixels, WindowExtrema& extrema, const ColourPlanes& small,
            const GreyRange& smallRange, const SearchThresholds& thresholds);
  ShapeTest(const ShapeTest&) = delete;  // m_kernelPairings points into m_pairings
  ShapeTest& operator=(const ShapeTest&) = delete;
  // The shape rule alone.
  bool matches(int x, int y);
  int filterRun(int x, int y, int count, std::uint8_t* counts);
  // The first x of the run that filterRun(x, y, count) saw last, other than skipX, where the
  // big picture holds an exact copy; -1 when none.
  int firstExactCopy(int x, int y, int count, int skipX);
  int limit() const { return m_limit; }

 private:
  struct Pairing {
    bool bigAtMaximum = false;
    int smallReference = 0;
    std::vector<kernels::GreyBandStep> steps;  // pixels that can miss, in the order the filter tries them
  };

  bool windowFlat(int x) const;
  bool pairingMatches(std::size_t bigBase, int bigReference, int smallReference) const;
  bool pairingRejects(const Pairing& pairing, std::size_t bigBase, int bigReference) const;
  Pairing makePairing(bool bigAtMaximum, int smallReference) const;

  const ColourPlanes& m_big;
  WindowExtrema& m_extrema;
  PixelRows m_bigPixels;
  const ColourPlanes& m_small;
  std::optional<ExactImageScan> m_exactCopies;  // made when a run first holds a candidate
  int m_firstExtremes = 0;  // in the last run filtered
  GreyRange m_smallRange;
  std::vector<OrderedPixel> m_order;
  std::vector<std::size_t> m_offsets;
  std::vector<Pairing> m_pairings;
  std::vector<kernels::GreyBandPairing> m_kernelPairings;
  SearchThresholds m_thresholds;
  int m_limit = 0;
  bool m_filterUsable = false;
};

}  // namespace qlm
