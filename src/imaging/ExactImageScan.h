#pragma once
// The IMAGE search when no pixel may miss, on the 32-bit pixels where they lie: each
// comparison covers eight neighbouring positions of a row with one load, and a group of
// positions is dropped at its first pixel that matches none of them. Rows of positions are
// taken in bands: every row of a band compares first against one big row shared by the
// band, with a pixel of the small row that lands there, so an absent area costs a read of
// only some rows of the big picture. With no colour difference allowed, that shared row is
// read once for the whole band against the lead colours of its rows, chosen rare on a
// sample of the screen, and only the positions whose lead lands on its colour are compared.
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/ColourPlanes.h"
#include "imaging/MatchKernels.h"
#include "imaging/PixelOrder.h"
#include "imaging/PixelRows.h"
#include "platform/Geometry.h"

namespace qlm {

struct ScanArea {
  int columns = 0;  // positions per row
  int rows = 0;     // rows of positions
  int startX = 0;   // in row startY only
  int startY = 0;
  int skipX = -1;
  int skipY = -1;
};

class ExactImageScan {
 public:
  // `threshold` (>= 0) is the largest colour difference that still matches.
  ExactImageScan(const PixelRows& big, const ColourPlanes& small, int threshold);
  // The first position in scan order where every pixel matches, or -1, -1.
  Point firstMatch(const ScanArea& area) const;
  // The first x of [from, to), other than `skip`, where every pixel matches at (x, y); -1 when none.
  int firstInRow(int y, int from, int to, int skip) const;

  struct Pixel {
    std::ptrdiff_t offset = 0;  // bytes from the position's top-left pixel in the big picture
    std::uint32_t colour = 0;   // blue, green, red, 0
  };

  static constexpr std::size_t kMostLeadColours = 8;
  // The rows of the small picture whose lead pixel has one colour, with the lead's column.
  struct LeadColour {
    std::uint32_t colour = 0;
    std::vector<std::pair<int, int>> rows;  // small row, column
  };

 private:
  // Exact matching, a band at a time: the band's last big row is read once against the
  // lead colours of its rows of positions, and only where one of them lies are those
  // positions compared.
  Point firstMatchInBand(int band, const ScanArea& area) const;
  bool leadCandidates(int lastRow, const ScanArea& area, std::vector<Point>& candidates) const;
  void chooseLeadColours(const std::vector<OrderedPixel>& pixels);

  PixelRows m_big;
  int m_smallHeight = 0;
  std::vector<Pixel> m_pixels;  // high-contrast pixels first
  // Per small row: its first pixels in m_pixels' order, offsets relative to the position.
  std::vector<std::vector<Pixel>> m_rowFirst;
  std::uint8_t m_threshold = 0;
  std::vector<LeadColour> m_leads;  // none when colours may differ
  // Rows of positions are taken in bands of about half the small picture's height.
  int m_bandHeight = 1;
  std::vector<bool> m_ledOffsets;  // per row of a band: whether a lead colour covers it
  // The places of a band, and those of the next band's last row kept for that band's turn.
  mutable std::vector<Point> m_candidates;
  mutable std::vector<Point> m_below;
  mutable int m_belowRow = -1;
  mutable bool m_belowSparse = false;
};

}  // namespace qlm
