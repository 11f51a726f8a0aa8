#pragma once
#include <cstdint>
#include <random>
#include <string>

#include "imaging/BmpFinder.h"
#include "platform/Picture.h"

namespace qlm::test {

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Rgb&) const = default;
};

Picture makePicture(int width, int height, Rgb fill = {});
void setPixel(Picture& picture, int x, int y, Rgb colour);
Rgb pixelAt(const Picture& picture, int x, int y);
void fillRect(Picture& picture, int x, int y, int width, int height, Rgb colour);
Picture crop(const Picture& picture, int x, int y, int width, int height);
void paste(Picture& target, const Picture& piece, int x, int y);

// Every pixel drawn from `palette` colours, so that copies of small areas recur.
Picture randomPicture(std::mt19937& random, int width, int height, int palette);

// Decodes a PNG file from tests/data; an empty picture when it cannot be read.
Picture loadPng(const std::string& relativePath);

struct ReferenceResult {
  bool found = false;
  int x = -1;
  int y = -1;
};

// Brute force, straight from the rules: every position in scan order, every pixel in row order.
ReferenceResult referenceSearch(const Picture& big, const Picture& small, SearchMethod method, int colourTolerance,
                                int pixelTolerance, int startX, int startY, int skipX, int skipY);

}  // namespace qlm::test
