#pragma once
// Reading 32-bit pictures where they lie.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ColourPlanes.h"
#include "platform/ScreenFrame.h"

namespace qlm {

// The rows of a bottom-up buffer of `byteCount` bytes whose rows are byteCount / height / 4
// pixels apart; empty when the sizes are inconsistent.
PixelRows bottomUpRows(const std::uint8_t* pixels, std::size_t byteCount, int width, int height);

// Fills the colour planes of `planes` from `rows`.
void splitRows(const PixelRows& rows, ColourPlanes& planes);

// The grey plane of `planes`, made from `rows` one row at a time when first asked for: a
// search that stops early pays only for the rows it reached.
class GreyRows {
 public:
  // No row is made yet. Later calls pass the planes of the picture behind `rows`, whose grey
  // plane is sized when first needed, with room for a block of vector reads past its last row.
  void reset(const PixelRows& rows);
  const std::uint8_t* row(ColourPlanes& planes, int y);
  void makeAll(ColourPlanes& planes);
  // Starts loading pixels [from, to) of row y into the cache when the row is still to be made.
  void prefetch(int y, int from, int to) const;

 private:
  PixelRows m_rows;
  std::vector<bool> m_made;
};

}  // namespace qlm
