#include "imaging/WindowExtrema.h"

#include <algorithm>

#include "imaging/MatchKernels.h"

namespace qlm {

// Van Herk / Gil-Werman down the columns: rows come in bands of h. A window of h rows starting
// at band row k is the band's rows k .. h - 1 (a suffix, made when the band starts) and the next
// band's rows 0 .. k - 1 (a prefix, grown row by row), so each row costs the same few passes
// whatever h is. Across the row, windowMinMax takes the w columns.

void WindowExtrema::start(GreyRows& grey, ColourPlanes& picture, int windowWidth, int windowHeight) {
  m_grey = &grey;
  m_picture = &picture;
  const int pictureWidth = picture.width;
  const int pictureHeight = picture.height;
  m_row = -1;
  if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > pictureWidth || windowHeight > pictureHeight) {
    m_columns = 0;
    m_rows = 0;
    return;
  }
  m_width = pictureWidth;
  m_windowWidth = windowWidth;
  m_windowHeight = windowHeight;
  m_columns = pictureWidth - windowWidth + 1;
  m_rows = pictureHeight - windowHeight + 1;
  const std::size_t width = static_cast<std::size_t>(pictureWidth);
  const std::size_t band = static_cast<std::size_t>(windowHeight) * width;
  m_suffixLow.resize(band);
  m_suffixHigh.resize(band);
  for (auto* row : {&m_prefixLow, &m_prefixHigh, &m_columnLow, &m_columnHigh}) row->resize(width);
  m_scratch.resize(4 * width);
  m_lowest.resize(static_cast<std::size_t>(m_columns + kernels::kGreyBlock));
  m_highest.resize(static_cast<std::size_t>(m_columns + kernels::kGreyBlock));
}

void WindowExtrema::startBand(int y) {
  m_bandTop = y;
  const std::size_t width = static_cast<std::size_t>(m_width);
  const std::size_t last = static_cast<std::size_t>(m_windowHeight - 1);
  const std::uint8_t* bottom = greyRow(y + m_windowHeight - 1);
  std::copy(bottom, bottom + width, m_suffixLow.begin() + static_cast<std::ptrdiff_t>(last * width));
  std::copy(bottom, bottom + width, m_suffixHigh.begin() + static_cast<std::ptrdiff_t>(last * width));
  for (std::size_t r = last; r-- > 0;) {
    const std::uint8_t* grey = greyRow(y + static_cast<int>(r));
    std::uint8_t* low = m_suffixLow.data() + r * width;
    std::uint8_t* high = m_suffixHigh.data() + r * width;
    kernels::combineMinMax(grey, grey, low + width, high + width, low, high, m_width);
  }
}

// The prefix grows by the entering row and joins the band's suffix k in one pass.
void WindowExtrema::extendPrefix(int y) {
  const std::uint8_t* entering = greyRow(y + m_windowHeight - 1);
  const std::size_t k = static_cast<std::size_t>(y - m_bandTop);
  const std::uint8_t* suffixLow = m_suffixLow.data() + k * static_cast<std::size_t>(m_width);
  const std::uint8_t* suffixHigh = m_suffixHigh.data() + k * static_cast<std::size_t>(m_width);
  if (k == 1) {
    std::copy(entering, entering + m_width, m_prefixLow.begin());
    std::copy(entering, entering + m_width, m_prefixHigh.begin());
    kernels::combineMinMax(suffixLow, suffixHigh, entering, entering, m_columnLow.data(), m_columnHigh.data(),
                           m_width);
  } else {
    kernels::foldAndCombineMinMax(entering, m_prefixLow.data(), m_prefixHigh.data(), suffixLow, suffixHigh,
                                  m_columnLow.data(), m_columnHigh.data(), m_width);
  }
}

void WindowExtrema::prefetch(int from, int to, int ahead) const {
  m_grey->prefetch(m_row + ahead + m_windowHeight - 1, from, to == m_columns ? m_width : to);
}

void WindowExtrema::moveTo(int y) {
  if (y == m_row) return;
  if (m_row < 0 || y != m_row + 1 || y - m_bandTop == m_windowHeight) {
    startBand(y);
  } else {
    extendPrefix(y);
  }
  m_row = y;
  const bool bandTop = y == m_bandTop;
  const std::uint8_t* low = bandTop ? m_suffixLow.data() : m_columnLow.data();
  const std::uint8_t* high = bandTop ? m_suffixHigh.data() : m_columnHigh.data();
  kernels::windowMinMax(low, high, m_width, m_windowWidth, m_lowest.data(), m_highest.data(), m_scratch.data());
}

}  // namespace qlm
