#pragma once
// Minimum and maximum grey value of every w x h window of a picture.
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"

namespace qlm {

struct WindowExtrema {
  int columns = 0;  // positions per row: W - w + 1
  int rows = 0;     // rows of positions: H - h + 1
  std::vector<std::uint8_t> lowest;
  std::vector<std::uint8_t> highest;

  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x);
  }
};

// Refills `extrema`, keeping its storage from one frame to the next; empty when the window
// does not fit in the picture.
void computeWindowExtrema(const ColourPlanes& big, int windowWidth, int windowHeight, WindowExtrema& extrema);

}  // namespace qlm
