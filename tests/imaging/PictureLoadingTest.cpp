#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

using test::makePicture;
using test::setPixel;

TEST(BmpFinderLoading, TurnsBottomUpRowsTopDownIntoPlanes) {
  Picture p = makePicture(3, 2, {1, 2, 3});
  setPixel(p, 2, 0, {30, 60, 91});
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(p.pixels.data(), p.pixels.size(), 3, 2));
  ASSERT_TRUE(finder.loadSmall(p, 0, 0, 1, 1));
  finder.prepareBigShape(0);
  const ColourPlanes& big = finder.bigPicture();
  EXPECT_EQ(big.red[2], 30);
  EXPECT_EQ(big.green[2], 60);
  EXPECT_EQ(big.blue[2], 91);
  EXPECT_EQ(big.grey[2], 60);
  EXPECT_EQ(big.grey[big.index(2, 1)], 2);
}

TEST(BmpFinderLoading, CutsTheSmallPictureFromTopDownCoordinates) {
  Picture p = makePicture(6, 5, {9, 9, 9});
  setPixel(p, 4, 1, {200, 100, 0});
  BmpFinder finder;
  ASSERT_TRUE(finder.loadSmall(p.pixels.data(), p.pixels.size(), 6, 5, 3, 1, 2, 3));
  const ColourPlanes& small = finder.smallPicture();
  EXPECT_EQ(small.width, 2);
  EXPECT_EQ(small.height, 3);
  EXPECT_EQ(small.red[small.index(1, 0)], 200);
  EXPECT_EQ(small.red[small.index(0, 0)], 9);
}

TEST(BmpFinderLoading, FollowsAWiderRowStrideGivenByTheByteCount) {
  // Rows 5 pixels apart, 3 of them used.
  const Picture wide = makePicture(5, 2, {7, 7, 7});
  Picture marked = wide;
  setPixel(marked, 0, 1, {250, 0, 0});
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(marked.pixels.data(), marked.pixels.size(), 3, 2));
  EXPECT_EQ(finder.bigPicture().width, 3);
  EXPECT_EQ(finder.bigPicture().red[finder.bigPicture().index(0, 1)], 250);
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
