#include "ocr/GreyImage.h"

#include <algorithm>
#include <array>

namespace qlm {

std::uint8_t greyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  const unsigned grey = (((red + 1u) * 511u) >> 10) + ((green * 396u + 511u) >> 10) + ((blue * 117u + 511u) >> 10);
  return static_cast<std::uint8_t>(grey & 192u);
}

std::optional<GreyImage> greyArea(const Picture& capture, const Rect& area) {
  if (capture.empty() || capture.bitsPerPixel != 32 || capture.pixels.size() < capture.pixelBytes()) return std::nullopt;
  if (area.width() <= 0 || area.height() <= 0) return std::nullopt;
  if (area.left < 0 || area.top < 0 || area.right > capture.width || area.bottom > capture.height) return std::nullopt;
  GreyImage image;
  image.width = area.width();
  image.height = area.height();
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  // Only the area's pixels are converted: the result equals converting the
  // whole capture and copying the area out of it.
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* source = capture.rowFromTop(area.top + y) + static_cast<std::size_t>(area.left) * 4;
    std::uint8_t* target = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
    for (int x = 0; x < image.width; ++x, source += 4) target[x] = greyLevel(source[2], source[1], source[0]);
  }
  return image;
}

InkBands inkBands(const GreyImage& image) {
  std::array<std::size_t, 256> histogram{};
  for (std::uint8_t level : image.pixels) ++histogram[level];
  InkBands bands;
  bands.background = static_cast<std::uint8_t>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
  std::vector<int> heights;
  int run = 0;
  for (int y = 0; y <= image.height; ++y) {
    bool ink = false;
    if (y < image.height) {
      const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
      ink = std::any_of(row, row + image.width, [&](std::uint8_t level) { return level != bands.background; });
    }
    if (ink) {
      ++run;
    } else if (run > 0) {
      heights.push_back(run);
      run = 0;
    }
  }
  bands.count = static_cast<int>(heights.size());
  if (heights.empty()) return bands;
  bands.tallest = *std::max_element(heights.begin(), heights.end());
  std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
  bands.typical = heights[heights.size() / 2];
  return bands;
}

GreyImage enlarged(const GreyImage& image, int factor) {
  GreyImage big;
  big.width = image.width * factor;
  big.height = image.height * factor;
  big.pixels.resize(static_cast<std::size_t>(big.width) * big.height);
  for (int y = 0; y < big.height; ++y) {
    for (int x = 0; x < big.width; ++x) {
      big.pixels[static_cast<std::size_t>(y) * big.width + x] = image.at(x / factor, y / factor);
    }
  }
  return big;
}

}  // namespace qlm
