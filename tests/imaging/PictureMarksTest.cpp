#include "imaging/PictureMarks.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

#include "ImagingSupport.h"

namespace qlm {
namespace {

constexpr qlm::Rgb kRed{200, 0, 0};
constexpr test::Rgb kMarked{200, 0, 0};

int markedCount(const Picture& picture) {
  int count = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) count += test::pixelAt(picture, x, y) == kMarked;
  }
  return count;
}

// Row `y` of the picture, '#' where it is marked.
std::string row(const Picture& picture, int y) {
  std::string text;
  for (int x = 0; x < picture.width; ++x) text += test::pixelAt(picture, x, y) == kMarked ? '#' : '.';
  return text;
}

TEST(PictureMarks, LinesLeaveOutTheirLastPointAndDotsSkipEveryOther) {
  Picture solid = test::makePicture(12, 5);
  Picture dotted = test::makePicture(12, 5);
  drawLine(solid, {2, 3}, {8, 3}, kRed, PenStyle::Solid);
  drawLine(dotted, {2, 3}, {8, 3}, kRed, PenStyle::Dotted);
  EXPECT_EQ(std::pair(markedCount(solid), row(solid, 3)), std::pair(6, std::string("..######....")));
  EXPECT_EQ(std::pair(markedCount(dotted), row(dotted, 3)), std::pair(3, std::string("..#.#.#.....")));
}

TEST(PictureMarks, AFrameOutlinesTheInclusiveArea) {
  Picture picture = test::makePicture(12, 12);
  drawFrame(picture, {3, 4, 9, 10}, kRed, PenStyle::Solid);
  EXPECT_EQ(std::tuple(markedCount(picture), row(picture, 4), row(picture, 6), row(picture, 9)),
            std::tuple(20, std::string("...######..."), std::string("...#....#..."), std::string("...######...")));
}

TEST(PictureMarks, ACrossHasTwoTwentyPixelLinesClippedAtTheEdge) {
  Picture picture = test::makePicture(40, 40);
  drawCross(picture, {20, 20}, kRed);
  EXPECT_EQ(markedCount(picture), 39);  // the centre is shared
  Picture corner = test::makePicture(40, 40);
  drawCross(corner, {2, 2}, kRed);
  EXPECT_EQ(markedCount(corner), 12 + 12 - 1);  // x and y from 0 to 11
}

TEST(PictureMarks, FarAwayPointsFromADamagedRecordDrawOnlyWhatIsInside) {
  Picture picture = test::makePicture(30, 30);
  drawLine(picture, {INT_MIN, 10}, {INT_MAX, 10}, kRed, PenStyle::Solid);
  drawFrame(picture, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kRed, PenStyle::Dotted);
  drawCross(picture, {INT_MAX, INT_MAX}, kRed);
  EXPECT_EQ(markedCount(picture), 30);
  drawLine(picture, {-1000000, -1000000}, {1000000, 1000000}, kRed, PenStyle::Solid);
  EXPECT_EQ(test::pixelAt(picture, 15, 15), kMarked);
}

}  // namespace
}  // namespace qlm
