#include "imaging/ColourPlanes.h"

namespace qlm {

namespace {

bool sizesConsistent(const std::uint8_t* pixels, std::size_t byteCount, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return false;
  if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
  const std::size_t strideInPixels = byteCount / static_cast<std::size_t>(height) / 4;
  return strideInPixels >= static_cast<std::size_t>(width);
}

bool areaInside(const PixelRect& area, int width, int height) {
  return area.width > 0 && area.height > 0 && area.x >= 0 && area.y >= 0 &&
         area.width <= width - area.x && area.height <= height - area.y;
}

void resizePlanes(ColourPlanes& planes, int width, int height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  planes.width = width;
  planes.height = height;
  planes.red.assign(count, 0);
  planes.green.assign(count, 0);
  planes.blue.assign(count, 0);
  planes.grey.assign(count, 0);
}

void clearPlanes(ColourPlanes& planes) { planes = ColourPlanes{}; }

}  // namespace

bool loadColourPlanes(const std::uint8_t* pixels, std::size_t byteCount, int width, int height,
                      const PixelRect& area, ColourPlanes& planes) {
  if (!sizesConsistent(pixels, byteCount, width, height) || !areaInside(area, width, height)) {
    clearPlanes(planes);
    return false;
  }
  const std::size_t strideBytes = byteCount / static_cast<std::size_t>(height) / 4 * 4;
  resizePlanes(planes, area.width, area.height);
  for (int row = 0; row < area.height; ++row) {
    const int sourceRowFromBottom = height - 1 - (area.y + row);
    const std::uint8_t* source =
        pixels + strideBytes * static_cast<std::size_t>(sourceRowFromBottom) + static_cast<std::size_t>(area.x) * 4;
    const std::size_t base = planes.index(0, row);
    for (int col = 0; col < area.width; ++col) {
      const std::uint8_t blue = source[4 * col];
      const std::uint8_t green = source[4 * col + 1];
      const std::uint8_t red = source[4 * col + 2];
      planes.red[base + col] = red;
      planes.green[base + col] = green;
      planes.blue[base + col] = blue;
      planes.grey[base + col] = static_cast<std::uint8_t>((red + green + blue) / 3);
    }
  }
  return true;
}

bool loadColourPlanes(const Picture& picture, const PixelRect& area, ColourPlanes& planes) {
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
