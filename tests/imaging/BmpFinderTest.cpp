#include "imaging/BmpFinder.h"

#include <gtest/gtest.h>

#include <array>
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
  for (auto [colour, pixel, threshold, misses] :
       {std::array<int, 4>{5, 0, 12, 0}, {100, 10, 255, 86}, {20, 150, 51, 861}, {0, -3, 0, 0}}) {
    SCOPED_TRACE(std::to_string(colour) + " " + std::to_string(pixel));
    const SearchThresholds t = searchThresholds(colour, pixel, 41, 21);
    EXPECT_EQ(std::pair(t.colour, static_cast<long long>(t.allowedMisses)), std::pair(threshold, static_cast<long long>(misses)));
  }
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
                      ScanCase{"StartRowBelowACopyOfTheSameRows", {{2, 8}, {20, 10}}, {5, 9}, {-1, -1}, {20, 10}},
                      ScanCase{"SkippedPositionIsNeverTested", {{2, 3}, {20, 3}}, {0, 0}, {2, 3}, {20, 3}},
                      ScanCase{"OnlyCopySkipped", {{2, 3}, {20, 3}}, {3, 3}, {20, 3}, kNoPoint},
                      ScanCase{"NegativeStartRowBeginsAtTheTopLeft", {{0, 0}}, {9, -4}, {-1, -1}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

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

// Rows of the buffer may lie further apart than the width given: the byte count tells.
TEST(BmpFinderLoading, TurnsBottomUpRowsTopDownIntoPlanesAndCutsTheSmallPicture) {
  Picture p = makePicture(6, 5, {1, 2, 3});
  setPixel(p, 4, 1, {30, 60, 91});
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(p.pixels.data(), p.pixels.size(), 5, 5));
  ASSERT_TRUE(finder.loadSmall(p.pixels.data(), p.pixels.size(), 6, 5, 3, 1, 2, 3));
  finder.prepareBigShape();
  const ColourPlanes& big = finder.bigPicture();
  const std::size_t at = big.index(4, 1);
  EXPECT_EQ(std::tuple(big.width, big.red[at], big.green[at], big.blue[at], big.grey[at], big.grey[big.index(2, 4)]),
            std::tuple(5, 30, 60, 91, 60, 2));
  const ColourPlanes& small = finder.smallPicture();
  EXPECT_EQ(std::tuple(small.width, small.height, small.red[small.index(1, 0)], small.red[small.index(0, 0)]),
            std::tuple(2, 3, 30, 1));
}

struct BadLoad {
  const char* name;
  std::size_t byteCount;
  int width;
  int height;
};

class InconsistentSizes : public ::testing::TestWithParam<BadLoad> {};

TEST_P(InconsistentSizes, AreRejected) {
  const Picture p = makePicture(4, 3);
  const BadLoad bad = GetParam();
  BmpFinder finder;
  EXPECT_FALSE(finder.loadBig(p.pixels.data(), bad.byteCount, bad.width, bad.height));
  EXPECT_TRUE(finder.bigPicture().empty());
  EXPECT_FALSE(finder.loadSmall(p.pixels.data(), bad.byteCount, bad.width, bad.height, 0, 0, 1, 1));
  int x = 0;
  int y = 0;
  EXPECT_FALSE(finder.findSmallInBig(SearchMethod::Image, 100, 100, 0, 0, -1, -1, x, y));
  EXPECT_FALSE(finder.loadBig(nullptr, 48, 4, 3));
  EXPECT_FALSE(finder.loadSmall(nullptr, 48, 4, 3, 0, 0, 1, 1));
}

INSTANTIATE_TEST_SUITE_P(Loaders, InconsistentSizes,
                         ::testing::Values(BadLoad{"ShortBuffer", 47, 4, 3}, BadLoad{"ZeroWidth", 48, 0, 3},
                                           BadLoad{"ZeroHeight", 48, 4, 0}, BadLoad{"NegativeWidth", 48, -4, 3},
                                           BadLoad{"NegativeHeight", 48, 4, -3}, BadLoad{"NoBytes", 0, 4, 3},
                                           BadLoad{"TooTall", 48, 1, 1 << 20},
                                           BadLoad{"TooWide", 48, 1 << 20, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SizedArea {
  int x, y, width, height;
};

class AreaOutside : public ::testing::TestWithParam<SizedArea> {};

TEST_P(AreaOutside, IsRejected) {
  const Picture p = makePicture(10, 8);
  const SizedArea r = GetParam();
  BmpFinder finder;
  EXPECT_FALSE(finder.loadSmall(p, r.x, r.y, r.width, r.height));
  EXPECT_FALSE(finder.loadSmall(p.pixels.data(), p.pixels.size(), 10, 8, r.x, r.y, r.width, r.height));
  EXPECT_TRUE(finder.smallPicture().empty());
}

INSTANTIATE_TEST_SUITE_P(Loaders, AreaOutside,
                         ::testing::Values(SizedArea{-1, 0, 3, 3}, SizedArea{0, -1, 3, 3}, SizedArea{8, 0, 3, 3},
                                           SizedArea{0, 6, 3, 3}, SizedArea{0, 0, 0, 3}, SizedArea{0, 0, 3, -2},
                                           SizedArea{2, 2, 2147483647, 1}, SizedArea{2, 2, 1, 2147483647}));

TEST(BmpFinderLoading, RejectsPicturesThatAreNot32BitsOrShortOfRows) {
  Picture p = makePicture(4, 4);
  BmpFinder finder;
  p.bitsPerPixel = 24;
  EXPECT_FALSE(finder.loadBig(p));
  p.bitsPerPixel = 32;
  p.pixels.resize(p.pixels.size() - 1);
  EXPECT_FALSE(finder.loadBig(p));
  EXPECT_FALSE(finder.loadSmall(p, 0, 0, 2, 2));
}

}  // namespace
}  // namespace qlm
