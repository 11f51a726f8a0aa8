#include "imaging/ColourPlanes.h"

#include "imaging/MatchKernels.h"

namespace qlm {

namespace {

bool sizesConsistent(const std::uint8_t* pixels, std::size_t byteCount, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
  const std::size_t strideInPixels = byteCount / static_cast<std::size_t>(height) / 4;
  return strideInPixels >= static_cast<std::size_t>(width);
}

bool areaInside(const Rect& area, int width, int height) {
  return area.left >= 0 && area.top >= 0 && area.width() > 0 && area.height() > 0 &&
         area.width() <= width - area.left && area.height() <= height - area.top;
}

void resizePlanes(ColourPlanes& planes, int width, int height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  planes.width = width;
  planes.height = height;
  planes.red.resize(count);
  planes.green.resize(count);
  planes.blue.resize(count);
  planes.grey.clear();
}

void clearPlanes(ColourPlanes& planes) { planes = ColourPlanes{}; }

}  // namespace

bool loadColourPlanes(const std::uint8_t* pixels, std::size_t byteCount, int width, int height,
                      const Rect& area, ColourPlanes& planes) {
  if (!sizesConsistent(pixels, byteCount, width, height) || !areaInside(area, width, height)) {
    clearPlanes(planes);
    return false;
  }
  const std::size_t strideBytes = byteCount / static_cast<std::size_t>(height) / 4 * 4;
  resizePlanes(planes, area.width(), area.height());
  for (int row = 0; row < area.height(); ++row) {
    const int sourceRowFromBottom = height - 1 - (area.top + row);
    const std::uint8_t* source =
        pixels + strideBytes * static_cast<std::size_t>(sourceRowFromBottom) + static_cast<std::size_t>(area.left) * 4;
    const std::size_t base = planes.index(0, row);
    kernels::splitPixels(source, area.width(), planes.red.data() + base, planes.green.data() + base,
                         planes.blue.data() + base);
  }
  return true;
}

void fillGreyPlane(ColourPlanes& planes) {
  if (planes.grey.size() == planes.red.size()) return;
  planes.grey.resize(planes.red.size());
  kernels::greyOf(planes.red.data(), planes.green.data(), planes.blue.data(), static_cast<int>(planes.red.size()),
                  planes.grey.data());
}

bool loadColourPlanes(const Picture& picture, const Rect& area, ColourPlanes& planes) {
  if (picture.bitsPerPixel != 32 || picture.width <= 0 || picture.height <= 0 ||
      picture.width > kMaxPictureSide || picture.height > kMaxPictureSide ||
      picture.pixels.size() < picture.pixelBytes()) {
    clearPlanes(planes);
    return false;
  }
  return loadColourPlanes(picture.pixels.data(), picture.pixelBytes(), picture.width, picture.height, area,
                          planes);
}

}  // namespace qlm
