#include "imaging/BmpFinder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImagingSupport.h"

namespace qlm {
namespace {

using test::fillRect;
using test::makePicture;
using test::paste;
using test::Rgb;
using test::setPixel;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A 5 x 4 pattern of several colours.
Picture pattern() {
  Picture p = makePicture(5, 4, {200, 40, 40});
  fillRect(p, 1, 1, 3, 2, {20, 180, 60});
  setPixel(p, 2, 1, {30, 30, 220});
  setPixel(p, 4, 3, {225, 225, 20});
  return p;
}

Picture shifted(const Picture& p, int delta) {
  Picture copy = p;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Rgb c = test::pixelAt(p, x, y);
      setPixel(copy, x, y, {c.red + delta, c.green + delta, c.blue + delta});
    }
  }
  return copy;
}

struct Search {
  bool found = false;
  Point at = kNoPoint;
};

Search find(const Picture& big, const Picture& small, SearchMethod method, int colourTol = 0, int pixelTol = 0,
            Point start = {0, 0}, Point skip = {-1, -1}) {
  BmpFinder finder;
  EXPECT_TRUE(finder.loadBig(big));
  EXPECT_TRUE(finder.loadSmall(small, 0, 0, small.width, small.height));
  Search s;
  s.found = finder.findSmallInBig(method, colourTol, pixelTol, start.x, start.y, skip.x, skip.y, s.at.x, s.at.y);
  return s;
}

TEST(SearchThresholds, FollowTheTolerances) {
  EXPECT_EQ(searchThresholds(5, 0, 41, 21).colour, 12);
  EXPECT_EQ(searchThresholds(100, 0, 41, 21).colour, 255);
  EXPECT_EQ(searchThresholds(20, 0, 41, 21).colour, 51);
  EXPECT_EQ(searchThresholds(0, 0, 41, 21).allowedMisses, 0);
  EXPECT_EQ(searchThresholds(0, 10, 41, 21).allowedMisses, 86);
  EXPECT_EQ(searchThresholds(0, 150, 41, 21).allowedMisses, 861);
  EXPECT_EQ(searchThresholds(0, -3, 41, 21).allowedMisses, 0);
}

struct ScanCase {
  const char* name;
  std::vector<Point> copies;
  Point start;
  Point skip;
  Point expected;  // kNoPoint: not found
};

class ScanOrder : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanOrder, ReportsTheFirstCopyInScanOrder) {
  const ScanCase& c = GetParam();
  Picture big = makePicture(40, 30, kWhite);
  for (const Point& at : c.copies) paste(big, pattern(), at.x, at.y);
  const Search s = find(big, pattern(), SearchMethod::Image, 0, 0, c.start, c.skip);
  EXPECT_EQ(s.found, c.expected != kNoPoint);
  EXPECT_EQ(s.at, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, ScanOrder,
    ::testing::Values(ScanCase{"TopmostThenLeftmost", {{30, 20}, {20, 8}, {6, 8}, {2, 9}}, {0, 0}, {-1, -1}, {6, 8}},
                      ScanCase{"StartXPassesTheStartRowCopy", {{2, 3}, {1, 9}}, {5, 3}, {-1, -1}, {1, 9}},
                      ScanCase{"StartXOnTheCopy", {{2, 3}, {1, 9}}, {2, 3}, {-1, -1}, {2, 3}},
                      ScanCase{"StartXAppliesToTheStartRowOnly", {{2, 3}, {1, 9}}, {0, 4}, {-1, -1}, {1, 9}},
                      ScanCase{"SkippedPositionIsNeverTested", {{2, 3}, {20, 3}}, {0, 0}, {2, 3}, {20, 3}},
                      ScanCase{"OnlyCopySkipped", {{2, 3}, {20, 3}}, {3, 3}, {20, 3}, kNoPoint},
                      ScanCase{"NegativeStartRowBeginsAtTheTopLeft", {{0, 0}}, {9, -4}, {-1, -1}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// (colour shift, colour tolerance, found)
class ColourShift : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(ColourShift, MatchesUpToTheThreshold) {
  const auto [delta, tolerance, expected] = GetParam();
  Picture big = makePicture(30, 20, kBlack);
  paste(big, shifted(pattern(), delta), 11, 7);
  const Search s = find(big, pattern(), SearchMethod::Image, tolerance);
  EXPECT_EQ(s.found, expected);
  EXPECT_EQ(s.at, (expected ? Point{11, 7} : kNoPoint));
}

INSTANTIATE_TEST_SUITE_P(Tolerances, ColourShift,
                         ::testing::Values(std::tuple{12, 5, true}, std::tuple{-12, 5, true}, std::tuple{13, 5, false},
                                           std::tuple{-13, 5, false}, std::tuple{0, 5, true},
                                           std::tuple{0, 0, true}, std::tuple{1, 0, false}));

TEST(BmpFinderImage, PixelToleranceAllowsThatManyMisses) {
  Picture big = makePicture(30, 20, kBlack);
  Picture damaged = pattern();
  setPixel(damaged, 0, 0, {1, 2, 3});
  setPixel(damaged, 3, 3, {1, 2, 3});
  paste(big, damaged, 9, 4);
  // 20 pixels: tolerance 5 allows 1 miss, 10 allows 2.
  EXPECT_FALSE(find(big, pattern(), SearchMethod::Image, 0, 5).found);
  EXPECT_EQ(find(big, pattern(), SearchMethod::Image, 0, 10).at, (Point{9, 4}));
}

// Condition levels other than a search's (none, text) never search; a value
// outside the enumeration that reaches the finder finds nothing, nor does a
// small picture larger than the big one, nor a finder without its pictures.
TEST(BmpFinder, SearchesNothingItCannotSearch) {
  const Picture big = makePicture(10, 10);
  for (const int level : {0, 1, 4, -3}) {
    SCOPED_TRACE(level);
    EXPECT_FALSE(searchMethodOfLevel(level));
    EXPECT_EQ(find(big, makePicture(2, 2), static_cast<SearchMethod>(level), 100, 100).at, kNoPoint);
  }
  EXPECT_EQ(searchMethodOfLevel(2), SearchMethod::Shape);
  EXPECT_EQ(searchMethodOfLevel(3), SearchMethod::Image);
  const Search larger = find(makePicture(4, 10), pattern(), SearchMethod::Image, 100, 100);
  EXPECT_EQ(std::pair(larger.found, larger.at), std::pair(false, kNoPoint));
  BmpFinder unloaded;
  Point at{7, 7};
  EXPECT_FALSE(unloaded.findSmallInBig(SearchMethod::Image, 100, 100, 0, 0, -1, -1, at.x, at.y));
  EXPECT_EQ(at, kNoPoint);
}

// A black-on-white "icon": a ring with a dot.
Picture icon(Rgb ink, Rgb paper) {
  Picture p = makePicture(9, 9, paper);
  fillRect(p, 1, 1, 7, 7, ink);
  fillRect(p, 2, 2, 5, 5, paper);
  setPixel(p, 4, 4, ink);
  return p;
}

TEST(BmpFinderShape, FindsTheSameStructureInOtherOrInvertedColoursWhereImageCannot) {
  Picture big = makePicture(60, 30, kBlack);
  fillRect(big, 0, 0, 60, 5, {90, 90, 90});
  paste(big, icon(kWhite, kBlack), 23, 14);
  paste(big, icon({250, 240, 0}, {0, 0, 128}), 40, 8);
  EXPECT_EQ(find(big, icon(kBlack, kWhite), SearchMethod::Shape, 5).at, (Point{40, 8}));
  EXPECT_EQ(find(big, icon(kBlack, kWhite), SearchMethod::Shape, 5, 0, {41, 8}).at, (Point{23, 14}));
  EXPECT_FALSE(find(big, icon(kBlack, kWhite), SearchMethod::Image, 5).found);
}

TEST(BmpFinderShape, PreparationGivesEachWindowItsGreyRange) {
  Picture big = makePicture(12, 8, {90, 90, 90});
  setPixel(big, 5, 5, {0, 0, 0});
  setPixel(big, 6, 5, {255, 255, 255});
  setPixel(big, 7, 7, {30, 60, 150});  // grey 80
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(big));
  ASSERT_TRUE(finder.loadSmall(big, 0, 0, 3, 3));
  finder.prepareBigShape(12);
  finder.prepareSmallShape(12);
  EXPECT_EQ(finder.smallGreyRange().levelClass, LevelClass::Flat);
  auto range = [&](int x, int y) {
    const GreyRange r = finder.windowGreyRange(x, y);
    return std::tuple(r.minimum, r.maximum, r.levelClass);
  };
  EXPECT_EQ(range(5, 5), std::tuple(0, 255, LevelClass::ThreeLevels));
  EXPECT_EQ(range(3, 3), std::tuple(0, 90, LevelClass::TwoLevels));
  EXPECT_EQ(range(7, 5), std::tuple(80, 90, LevelClass::Flat));
}

TEST(LevelClass, FollowsTheThreshold) {
  const std::uint8_t flat[] = {10, 22, 15};
  const std::uint8_t two[] = {10, 23, 11, 22};
  const std::uint8_t three[] = {0, 13, 26};
  const std::uint8_t almost[] = {0, 12, 26};
  EXPECT_EQ(greyRangeOf(flat, 3, 12).levelClass, LevelClass::Flat);
  EXPECT_EQ(greyRangeOf(two, 4, 12).levelClass, LevelClass::TwoLevels);
  EXPECT_EQ(greyRangeOf(three, 3, 12).levelClass, LevelClass::ThreeLevels);
  EXPECT_EQ(greyRangeOf(almost, 3, 12).levelClass, LevelClass::TwoLevels);
}

TEST(ImageAreaUniqueness, StoresTheOtherOccurrenceOfTheSearchedMethodOnly) {
  Picture picture = makePicture(50, 40, kWhite);
  paste(picture, pattern(), 30, 25);
  EXPECT_EQ(findOtherOccurrence(picture, 30, 25, 34, 28, SearchMethod::Image, 0, 0), kNoPoint);
  paste(picture, pattern(), 8, 6);
  paste(picture, icon({250, 240, 0}, {0, 0, 128}), 38, 2);
  paste(picture, icon(kBlack, kWhite), 4, 20);
  struct Case {
    int left, top, right, bottom;  // inclusive
    SearchMethod method;
    Point other;
  };
  const Case cases[] = {{30, 25, 34, 28, SearchMethod::Image, {8, 6}},
                        {8, 6, 12, 9, SearchMethod::Image, {30, 25}},
                        {30, 25, 34, 28, static_cast<SearchMethod>(0), kNoPoint},
                        {30, 25, 34, 28, static_cast<SearchMethod>(1), kNoPoint},
                        {45, 30, 54, 35, SearchMethod::Image, kNoPoint},
                        {10, 10, 5, 12, SearchMethod::Image, kNoPoint},
                        {38, 2, 46, 10, SearchMethod::Shape, {4, 20}},
                        {38, 2, 46, 10, SearchMethod::Image, kNoPoint}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top) + " method " +
                 std::to_string(static_cast<int>(c.method)));
    EXPECT_EQ(findOtherOccurrence(picture, c.left, c.top, c.right, c.bottom, c.method, 5, 0),
              c.other);
  }
}

}  // namespace
}  // namespace qlm
