#pragma once
// The IMAGE search when no pixel may miss, on the 32-bit pixels where they lie: each
// comparison covers eight neighbouring positions of a row with one load, and a group of
// positions is dropped at its first pixel that matches none of them. Rows of positions are
// taken in bands of h (the small picture's height): every row of a band compares first
// against the band's last big row, with a pixel of the small row that lands there, so an
// absent area costs one read of every h-th row of the big picture instead of all of them.
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"
#include "imaging/MatchKernels.h"
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

 private:
  PixelRows m_big;
  int m_smallHeight = 0;
  std::vector<Pixel> m_pixels;  // high-contrast pixels first
  // Per small row: its first pixels in m_pixels' order, offsets relative to the position.
  std::vector<std::vector<Pixel>> m_rowFirst;
  std::uint8_t m_threshold = 0;
  KernelPath m_path = KernelPath::Plain;  // chosen once, not for every row
};

}  // namespace qlm
