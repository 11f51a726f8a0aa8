#include "imaging/BmpFinder.h"

#include <algorithm>
#include <optional>

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

struct ScanOrder {
  int startX = 0;
  int startY = 0;
  int skipX = -1;
  int skipY = -1;
};

template <class Test>
std::optional<Point> firstSurvivorMatching(Test& test, int x, int y, int first, int count,
                                           const std::uint8_t* counts, const ScanOrder& order) {
  const auto limit = static_cast<std::uint8_t>(test.limit());
  for (int i = kernels::firstAtMost(counts, first, count, limit); i < count;
       i = kernels::firstAtMost(counts, i + 1, count, limit)) {
    const int column = x + i;
    if (column == order.skipX && y == order.skipY) continue;
    if (test.matches(column, y)) return Point{column, y};
  }
  return std::nullopt;
}

// A start row above the picture has no positions; the scan then begins at (0, 0).
template <class Test>
Point scanPositions(Test& test, int columns, int rows, const ScanOrder& order) {
  std::uint8_t counts[Test::kRunLength];
  for (int y = std::max(order.startY, 0); y < rows; ++y) {
    int x = (y == order.startY && order.startX >= 1) ? order.startX : 0;
    while (x < columns) {
      if constexpr (requires { test.firstCandidate(x, y, columns); }) {
        x = test.firstCandidate(x, y, columns);
        if (x >= columns) break;
      }
      const int count = std::min(Test::kRunLength, columns - x);
      const int first = test.filterRun(x, y, count, counts);
      const std::optional<Point> found = firstSurvivorMatching(test, x, y, first, count, counts, order);
      if constexpr (requires { test.firstExactCopy(x, y, count, order.skipX); }) {
        const int copy = test.firstExactCopy(x, y, found ? found->x - x : count, y == order.skipY ? order.skipX : -1);
        if (copy >= 0) return Point{copy, y};
      }
      if (found) return *found;
      x += count;
    }
  }
  return kNoPoint;
}

}  // namespace

std::optional<SearchMethod> searchMethodOfLevel(int conditionLevel) {
  if (conditionLevel == static_cast<int>(SearchMethod::Shape)) return SearchMethod::Shape;
  if (conditionLevel == static_cast<int>(SearchMethod::Image)) return SearchMethod::Image;
  return std::nullopt;
}

SearchThresholds searchThresholds(int colourTolerance, int pixelTolerance, int smallWidth, int smallHeight) {
  SearchThresholds thresholds;
  // Exact decimal arithmetic: 100 x 2.55 in binary floating point would truncate to 254.
  const long long colour = static_cast<long long>(colourTolerance) * 255 / 100;
  thresholds.colour = static_cast<int>(std::clamp<long long>(colour, -1, 255));
  const long long pixel = std::clamp(pixelTolerance, 0, 100);
  thresholds.allowedMisses =
      static_cast<long long>(std::max(smallWidth, 0)) * static_cast<long long>(std::max(smallHeight, 0)) * pixel / 100;
  return thresholds;
}

bool BmpFinder::loadBig(const std::uint8_t* pixels, std::size_t byteCount, int width, int height) {
  return loadBig(bottomUpRows(pixels, byteCount, width, height));
}

bool BmpFinder::loadBig(const PixelRows& rows) {
  forgetShapeData();
  const bool fits = !rows.empty() && rows.width <= kMaxPictureSide && rows.height <= kMaxPictureSide;
  m_bigRows = fits ? rows : PixelRows{};
  m_bigSplit = false;
  m_bigGreyFilled = false;
  if (m_bigRows.empty()) {
    m_big = ColourPlanes{};
    return false;
  }
  m_big.width = m_bigRows.width;
  m_big.height = m_bigRows.height;
  return true;
}

bool BmpFinder::loadBig(const Picture& picture) { return loadBig(pictureRows(picture)); }

const ColourPlanes& BmpFinder::bigPicture() const {
  if (!m_bigSplit && !m_bigRows.empty()) splitRows(m_bigRows, m_big);
  m_bigSplit = true;
  return m_big;
}

Point BmpFinder::firstExactCopy(int threshold, const ScanArea& area) {
  return ExactImageScan(m_bigRows, m_small, threshold).firstMatch(area);
}

bool BmpFinder::loadSmall(const std::uint8_t* pixels, std::size_t byteCount, int width, int height, int x, int y,
                          int w, int h) {
  forgetShapeData();
  return loadColourPlanes(pixels, byteCount, width, height, Rect::fromSize(x, y, w, h), m_small);
}

bool BmpFinder::loadSmall(const Picture& picture, int x, int y, int w, int h) {
  forgetShapeData();
  return loadColourPlanes(picture, Rect::fromSize(x, y, w, h), m_small);
}

void BmpFinder::forgetShapeData() { m_smallRange = GreyRange{}; }

GreyRows& BmpFinder::bigGrey() {
  if (!m_bigGreyFilled) m_bigGrey.reset(m_bigRows);
  m_bigGreyFilled = true;
  return m_bigGrey;
}

void BmpFinder::prepareBigShape() {
  if (!m_bigRows.empty()) bigGrey().makeAll(m_big);
}

void BmpFinder::prepareSmallShape(int colourThreshold) {
  fillGreyPlane(m_small);
  m_smallRange = greyRangeOf(m_small.grey.data(), m_small.grey.size(), colourThreshold);
}

bool BmpFinder::findSmallInBig(SearchMethod method, int colourTolerance, int pixelTolerance, int startX, int startY,
                             int skipX, int skipY, int& foundX, int& foundY) {
  foundX = -1;
  foundY = -1;
  if (method != SearchMethod::Image && method != SearchMethod::Shape) return false;
  if (m_bigRows.empty() || m_small.empty()) return false;
  const int columns = m_big.width - m_small.width + 1;
  const int rows = m_big.height - m_small.height + 1;
  if (columns <= 0 || rows <= 0) return false;
  const Point found = firstMatch(method, colourTolerance, pixelTolerance,
                                 ScanArea{columns, rows, startX, startY, skipX, skipY});
  foundX = found.x;
  foundY = found.y;
  return found.x >= 0;
}

Point BmpFinder::firstMatch(SearchMethod method, int colourTolerance, int pixelTolerance, const ScanArea& area) {
  fillGreyPlane(m_small);
  const SearchThresholds thresholds = searchThresholds(colourTolerance, pixelTolerance, m_small.width, m_small.height);
  const ScanOrder order{area.startX, area.startY, area.skipX, area.skipY};
  Point found = kNoPoint;
  if (method == SearchMethod::Image && thresholds.allowedMisses == 0 && thresholds.colour >= 0) {
    found = firstExactCopy(thresholds.colour, area);
  } else if (method == SearchMethod::Image) {
    ImageTest test(m_bigRows, m_small, thresholds);
    found = scanPositions(test, area.columns, area.rows, order);
  } else {
    m_extrema.start(bigGrey(), m_big, m_small.width, m_small.height);
    prepareSmallShape(thresholds.colour);
    ShapeTest test(m_big, m_bigRows, m_extrema, m_small, m_smallRange, thresholds);
    found = scanPositions(test, area.columns, area.rows, order);
  }
  return found;
}

Point BmpFinder::firstMatchInRows(SearchMethod method, int colourTolerance, int pixelTolerance, int firstRow,
                                  int endRow) {
  if (method != SearchMethod::Image && method != SearchMethod::Shape) return kNoPoint;
  if (m_bigRows.empty() || m_small.empty()) return kNoPoint;
  const int columns = m_big.width - m_small.width + 1;
  const int rows = std::min(m_big.height - m_small.height + 1, endRow);
  if (columns <= 0 || firstRow >= rows) return kNoPoint;
  return firstMatch(method, colourTolerance, pixelTolerance, ScanArea{columns, rows, 0, std::max(firstRow, 0), -1, -1});
}

Point findOtherOccurrence(const Picture& picture, int left, int top, int right, int bottom, SearchMethod method,
                               int colourTolerance, int pixelTolerance) {
  BmpFinder finder;
  if (!finder.loadBig(picture)) return kNoPoint;
  const long long width = static_cast<long long>(right) - left + 1;
  const long long height = static_cast<long long>(bottom) - top + 1;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return kNoPoint;
  if (!finder.loadSmall(picture, left, top, static_cast<int>(width), static_cast<int>(height))) return kNoPoint;
  Point other = kNoPoint;
  if (!finder.findSmallInBig(method, colourTolerance, pixelTolerance, 0, 0, left, top, other.x, other.y)) {
    return kNoPoint;
  }
  return other;
}

}  // namespace qlm
