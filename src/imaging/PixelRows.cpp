#include "imaging/PixelRows.h"

#include <algorithm>

#include "imaging/MatchKernels.h"

namespace qlm {

PixelRows bottomUpRows(const std::uint8_t* pixels, std::size_t byteCount, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
    return PixelRows{};
  }
  const std::size_t strideBytes = byteCount / static_cast<std::size_t>(height) / 4 * 4;
  if (strideBytes / 4 < static_cast<std::size_t>(width)) return PixelRows{};
  PixelRows rows;
  rows.top = pixels + strideBytes * static_cast<std::size_t>(height - 1);
  rows.stride = -static_cast<std::ptrdiff_t>(strideBytes);
  rows.width = width;
  rows.height = height;
  return rows;
}

void splitRows(const PixelRows& rows, ColourPlanes& planes) {
  const std::size_t count = static_cast<std::size_t>(rows.width) * static_cast<std::size_t>(rows.height);
  planes.width = rows.width;
  planes.height = rows.height;
  planes.red.resize(count);
  planes.green.resize(count);
  planes.blue.resize(count);
  for (int y = 0; y < rows.height; ++y) {
    const std::size_t at = planes.index(0, y);
    kernels::splitPixels(rows.row(y), rows.width, planes.red.data() + at, planes.green.data() + at,
                         planes.blue.data() + at);
  }
}

void GreyRows::reset(const PixelRows& rows) {
  m_rows = rows;
  m_made.assign(static_cast<std::size_t>(std::max(rows.height, 0)), false);
}

const std::uint8_t* GreyRows::row(ColourPlanes& planes, int y) {
  const std::size_t size = static_cast<std::size_t>(m_rows.width) * static_cast<std::size_t>(m_rows.height);
  if (planes.grey.size() != size + kernels::kGreyBlock) planes.grey.resize(size + kernels::kGreyBlock);
  std::uint8_t* grey = planes.grey.data() + planes.index(0, y);
  if (!m_made[static_cast<std::size_t>(y)]) {
    kernels::greyOfPixels(m_rows.row(y), m_rows.width, grey);
    m_made[static_cast<std::size_t>(y)] = true;
  }
  return grey;
}

void GreyRows::prefetch(int y, int from, int to) const {
  if (y < 0 || y >= m_rows.height || m_made[static_cast<std::size_t>(y)]) return;
  constexpr int kPixelsPerCacheLine = 16;
  const std::uint8_t* pixels = m_rows.row(y);
  for (int x = from; x < to; x += kPixelsPerCacheLine) __builtin_prefetch(pixels + 4 * static_cast<std::ptrdiff_t>(x));
}

void GreyRows::makeAll(ColourPlanes& planes) {
  for (int y = 0; y < m_rows.height; ++y) row(planes, y);
}

}  // namespace qlm
