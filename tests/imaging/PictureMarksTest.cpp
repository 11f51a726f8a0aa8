#include "imaging/PictureMarks.h"

#include <gtest/gtest.h>

#include <climits>

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

TEST(PictureMarks, LinesLeaveOutTheirLastPointAndDotsSkipEveryOther) {
  Picture picture = test::makePicture(20, 10);
  drawLine(picture, {2, 3}, {8, 3}, kRed, PenStyle::Solid);
  EXPECT_EQ(markedCount(picture), 6);
  EXPECT_EQ(test::pixelAt(picture, 2, 3), kMarked);
  EXPECT_EQ(test::pixelAt(picture, 7, 3), kMarked);
  EXPECT_NE(test::pixelAt(picture, 8, 3), kMarked);
  Picture dotted = test::makePicture(20, 10);
  drawLine(dotted, {2, 3}, {8, 3}, kRed, PenStyle::Dotted);
  EXPECT_EQ(markedCount(dotted), 3);
  EXPECT_EQ(test::pixelAt(dotted, 4, 3), kMarked);
  EXPECT_NE(test::pixelAt(dotted, 5, 3), kMarked);
}

TEST(PictureMarks, AFrameOutlinesTheInclusiveArea) {
  Picture picture = test::makePicture(20, 20);
  drawFrame(picture, {3, 4, 9, 10}, kRed, PenStyle::Solid);
  EXPECT_EQ(markedCount(picture), 20);
  for (auto [x, y] : {std::pair{3, 4}, {8, 4}, {8, 9}, {3, 9}}) EXPECT_EQ(test::pixelAt(picture, x, y), kMarked);
  EXPECT_NE(test::pixelAt(picture, 5, 6), kMarked);
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
