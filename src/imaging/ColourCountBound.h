#pragma once
// A lower bound on the IMAGE misses of positions taken eight at a time. A set of small pixels
// (one frequent colour, or a cell of similar colours) can only hit on big pixels within T of
// their colours' box, so where the windows of eight neighbouring positions together hold fewer
// such big pixels than the set has pixels, each of them misses at least the difference. Groups whose bound exceeds K are
// rejected without comparing pixels, which is what makes absent areas cheap when some pixels
// may miss. Only the small pixels that land on every s-th big row are counted, so the bound
// reads only those rows, counting pixels by blocks of eight; s is the largest step for which
// these pixels still leave a clear margin over K.
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"
#include "imaging/PixelRows.h"

namespace qlm {

inline constexpr int kPositionsPerGroup = 8;

class ColourCountBound {
 public:
  ColourCountBound(const PixelRows& big, const ColourPlanes& small, int threshold, long long allowedMisses);
  bool active() const { return !m_colours.empty(); }
  // One entry per group g of positions (8g .. 8g + 7, y): non-zero when every one of them
  // misses more than K. Rows are cheapest when asked for in increasing order.
  const std::vector<std::uint8_t>& rejectedGroups(int y);

 private:
  struct Colour {
    std::uint32_t low = 0;  // the box of big pixels it can hit on
    std::uint32_t high = 0;
    std::vector<std::uint16_t> countByRow;  // its small pixels on small rows r, by r % step
    std::vector<std::uint8_t> blockCounts;  // box pixels per block of eight columns of the last counted row
    std::vector<std::uint16_t> groupSums;  // box pixels in each group's windows on the counted rows
    std::vector<std::vector<std::uint16_t>> groupRows;  // of counted big row r at r / step % ring size
  };

  std::vector<std::uint16_t>& slotOf(Colour& colour, int y) const;
  void countRow(int y);
  void restartAt(int y);
  void slideTo(int y);

  PixelRows m_big;
  int m_windowHeight = 0;
  int m_rowStep = 1;
  int m_blocks = 0;      // per big row
  int m_groups = 0;      // per row of positions
  int m_groupBlocks = 0;  // blocks a group's windows reach into
  long long m_allowedMisses = 0;
  std::vector<Colour> m_colours;
  int m_row = -1;  // row of positions the group sums belong to
  int m_rejectedRow = -1;
  std::vector<std::uint16_t> m_added;
  std::vector<std::uint16_t> m_none;
  std::vector<std::uint8_t> m_rejected;
};

// The box of pixels within `threshold` (>= 0) of (red, green, blue), as kernels::insideBox takes it.
void colourBox(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int threshold, std::uint32_t& low,
               std::uint32_t& high);

}  // namespace qlm
