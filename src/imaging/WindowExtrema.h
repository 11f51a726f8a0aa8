#pragma once
// Minimum and maximum grey value of every w x h window of a picture, one row of windows at a
// time from the top down, so that a search that stops early pays only for the rows it reached.
#include <cstdint>
#include <vector>

#include "imaging/PixelRows.h"

namespace qlm {

class WindowExtrema {
 public:
  // Starts over on `picture`, whose grey rows `grey` makes; both must outlive the next start.
  // No rows when the window does not fit in the picture. Storage is kept from one picture to
  // the next.
  void start(GreyRows& grey, ColourPlanes& picture, int windowWidth, int windowHeight);
  int columns() const { return m_columns; }  // windows per row: W - w + 1
  int rows() const { return m_rows; }        // rows of windows: H - h + 1

  // Makes lowest() and highest() hold the windows whose top row is y (0 <= y < rows()), with
  // room for a block of vector reads past the last.
  // Going down one row at a time costs least.
  void moveTo(int y);
  int row() const { return m_row; }
  // Starts loading the pixels of the bottom row of windows (from .. to - 1, row() + ahead)
  // into the cache. Asked for a part at a time while each row is searched, the frame's pixels
  // arrive from memory during the search instead of stalling the next moveTo.
  void prefetch(int from, int to, int ahead) const;
  const std::uint8_t* lowest() const { return m_lowest.data(); }
  const std::uint8_t* highest() const { return m_highest.data(); }

 private:
  void startBand(int y);
  void extendPrefix(int y);

  const std::uint8_t* greyRow(int y) { return m_grey->row(*m_picture, y); }

  GreyRows* m_grey = nullptr;
  ColourPlanes* m_picture = nullptr;
  int m_width = 0;
  int m_windowWidth = 0;
  int m_windowHeight = 0;
  int m_columns = 0;
  int m_rows = 0;
  int m_row = -1;
  int m_bandTop = 0;
  std::vector<std::uint8_t> m_suffixLow;  // h rows of the band
  std::vector<std::uint8_t> m_suffixHigh;
  std::vector<std::uint8_t> m_prefixLow;
  std::vector<std::uint8_t> m_prefixHigh;
  std::vector<std::uint8_t> m_columnLow;
  std::vector<std::uint8_t> m_columnHigh;
  std::vector<std::uint8_t> m_scratch;
  std::vector<std::uint8_t> m_lowest;
  std::vector<std::uint8_t> m_highest;
};

}  // namespace qlm
