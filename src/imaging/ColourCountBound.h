#pragma once
// A lower bound on the IMAGE misses of every position of a row. A small pixel of colour c can
// only hit on a big pixel within T of c, so a window holding fewer such pixels than the small
// picture has pixels of colour c misses at least the difference. Positions whose bound exceeds
// K are rejected without comparing pixels, which is what makes absent areas cheap when some
// pixels may miss.
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"

namespace qlm {

class ColourCountBound {
 public:
  ColourCountBound(const ColourPlanes& big, const ColourPlanes& small, int threshold, long long allowedMisses);
  bool active() const { return !m_colours.empty(); }
  // Bounds of positions (0 .. W - w, y); rows are cheapest when asked for in increasing order.
  const std::vector<std::uint16_t>& rowBounds(int y);

 private:
  struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint16_t count = 0;
    std::vector<std::uint16_t> columnSums;  // near pixels per column over the window's rows
    std::vector<std::vector<std::uint8_t>> nearRows;  // of big row r at r % window height
  };

  void nearRow(const Colour& colour, int y, std::vector<std::uint8_t>& out) const;
  void restartAt(int y);
  void slideTo(int y);

  const ColourPlanes& m_big;
  int m_windowWidth = 0;
  int m_windowHeight = 0;
  std::uint8_t m_threshold = 0;
  std::vector<Colour> m_colours;
  int m_row = -1;  // row of positions the column sums belong to
  int m_boundsRow = -1;
  std::vector<std::uint8_t> m_added;
  std::vector<std::uint16_t> m_windowCounts;
  std::vector<std::uint16_t> m_scratch;
  std::vector<std::uint16_t> m_bounds;
};

}  // namespace qlm
