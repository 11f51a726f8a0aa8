#include "ImagingSupport.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qlm::test {

Picture makePicture(int width, int height, Rgb fill) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bitsPerPixel = 32;
  picture.pixels.assign(picture.pixelBytes(), 0);
  fillRect(picture, 0, 0, width, height, fill);
  return picture;
}

void setPixel(Picture& picture, int x, int y, Rgb colour) {
  std::uint8_t* p = picture.rowFromTop(y) + 4 * x;
  p[0] = static_cast<std::uint8_t>(colour.blue);
  p[1] = static_cast<std::uint8_t>(colour.green);
  p[2] = static_cast<std::uint8_t>(colour.red);
  p[3] = 0;
}

Rgb pixelAt(const Picture& picture, int x, int y) {
  const std::uint8_t* p = picture.rowFromTop(y) + 4 * x;
  return Rgb{p[2], p[1], p[0]};
}

void fillRect(Picture& picture, int x, int y, int width, int height, Rgb colour) {
  for (int row = y; row < y + height; ++row) {
    for (int col = x; col < x + width; ++col) setPixel(picture, col, row, colour);
  }
}

Picture crop(const Picture& picture, int x, int y, int width, int height) {
  Picture piece = makePicture(width, height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) setPixel(piece, col, row, pixelAt(picture, x + col, y + row));
  }
  return piece;
}

void paste(Picture& target, const Picture& piece, int x, int y) {
  for (int row = 0; row < piece.height; ++row) {
    for (int col = 0; col < piece.width; ++col) setPixel(target, x + col, y + row, pixelAt(piece, col, row));
  }
}

Picture randomPicture(std::mt19937& random, int width, int height, int palette) {
  std::vector<Rgb> colours;
  std::uniform_int_distribution<int> channel(0, 255);
  for (int i = 0; i < palette; ++i) colours.push_back({channel(random), channel(random), channel(random)});
  std::uniform_int_distribution<int> pick(0, palette - 1);
  Picture picture = makePicture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) setPixel(picture, x, y, colours[static_cast<std::size_t>(pick(random))]);
  }
  return picture;
}

Picture loadPng(const std::string& relativePath) {
  const std::string path = std::string(QLM_TEST_DATA_DIR) + "/" + relativePath;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return Picture{};
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint8_t> topDown(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, topDown.data(), 0, nullptr)) {
    png_image_free(&image);
    return Picture{};
  }
  Picture picture = makePicture(static_cast<int>(image.width), static_cast<int>(image.height));
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < picture.height; ++y) {
    std::copy_n(topDown.data() + rowBytes * static_cast<std::size_t>(y), rowBytes, picture.rowFromTop(y));
  }
  return picture;
}

namespace {

int greyOf(Rgb c) { return (c.red + c.green + c.blue) / 3; }

bool imageMatchesAt(const Picture& big, const Picture& small, int x, int y, int t, long long k) {
  long long misses = 0;
  for (int r = 0; r < small.height; ++r) {
    for (int c = 0; c < small.width; ++c) {
      const Rgb b = pixelAt(big, x + c, y + r);
      const Rgb s = pixelAt(small, c, r);
      if (std::abs(b.red - s.red) > t || std::abs(b.green - s.green) > t || std::abs(b.blue - s.blue) > t) {
        if (++misses > k) return false;
      }
    }
  }
  return true;
}

bool pairingMatches(const Picture& big, const Picture& small, int x, int y, int br, int sr, int t, long long k) {
  long long misses = 0;
  long long hits = 0;
  for (int r = 0; r < small.height; ++r) {
    for (int c = 0; c < small.width; ++c) {
      const int b = greyOf(pixelAt(big, x + c, y + r));
      const int s = greyOf(pixelAt(small, c, r));
      const bool bigNear = std::abs(b - br) <= t;
      const bool smallExact = s == sr;
      const bool bigExact = b == br;
      const bool smallNear = std::abs(s - sr) <= t;
      if (bigNear == smallExact || bigExact == smallNear) {
        hits += bigNear ? 1 : 0;
      } else if (++misses > k) {
        return false;
      }
    }
  }
  return hits > 0;
}

bool shapeMatchesAt(const Picture& big, const Picture& small, int x, int y, int t, long long k) {
  int bm = 255, bM = 0, sm = 255, sM = 0;
  for (int r = 0; r < small.height; ++r) {
    for (int c = 0; c < small.width; ++c) {
      const int b = greyOf(pixelAt(big, x + c, y + r));
      const int s = greyOf(pixelAt(small, c, r));
      bm = std::min(bm, b);
      bM = std::max(bM, b);
      sm = std::min(sm, s);
      sM = std::max(sM, s);
    }
  }
  const bool bigFlat = bM - bm <= t;
  const bool smallFlat = sM - sm <= t;
  if (bigFlat || smallFlat) return bigFlat && smallFlat;
  return pairingMatches(big, small, x, y, bm, sm, t, k) || pairingMatches(big, small, x, y, bM, sM, t, k) ||
         pairingMatches(big, small, x, y, bm, sM, t, k) || pairingMatches(big, small, x, y, bM, sm, t, k);
}

}  // namespace

ReferenceResult referenceSearch(const Picture& big, const Picture& small, SearchMethod method, int colourTolerance,
                                int pixelTolerance, int startX, int startY, int skipX, int skipY) {
  if (method != SearchMethod::Shape && method != SearchMethod::Image) return {};
  const int t = colourTolerance * 255 / 100;
  const long long k = static_cast<long long>(small.width) * small.height * std::clamp(pixelTolerance, 0, 100) / 100;
  for (int y = startY; y <= big.height - small.height; ++y) {
    if (y < 0) continue;
    for (int x = (y == startY && startX >= 1) ? startX : 0; x <= big.width - small.width; ++x) {
      if (x == skipX && y == skipY) continue;
      // An exact copy of the area is a shape match whatever the shape rule says of it.
      const bool match = method == SearchMethod::Image ? imageMatchesAt(big, small, x, y, t, k)
                                     : shapeMatchesAt(big, small, x, y, t, k) || imageMatchesAt(big, small, x, y, 0, 0);
      if (match) return {true, x, y};
    }
  }
  return {};
}

}  // namespace qlm::test
