#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

// Under the SHAPE rule a small pixel within T of its reference but not equal to it misses
// wherever the big pixel is also near and not equal, so even an exact copy of an area with
// such in-between greys (the clock's anti-aliased ticks) is not found without pixel tolerance.
TEST(BmpFinderShape, FollowsTheRuleOnACopyWithInBetweenGreys) {
  const Picture screen = test::loadPng("screens/desktop-terminals-1920x1080.png");
  ASSERT_FALSE(screen.empty());
  const Picture area = test::crop(screen, 1680, 990, 41, 21);
  Picture desktop = test::makePicture(300, 120, {58, 110, 165});
  test::paste(desktop, area, 200, 80);
  const test::ReferenceResult expected = test::referenceSearch(desktop, area, QLM_BMP_FIND_SHAPE, 5, 0, 0, 0, -1, -1);
  BmpFinder finder;
  ASSERT_TRUE(finder.LoadBMP_B(desktop));
  ASSERT_TRUE(finder.LoadBMP_S(area, 0, 0, 41, 21));
  PixelPoint at;
  EXPECT_EQ(finder.FindBMP_SinB(QLM_BMP_FIND_SHAPE, 5, 0, 0, 0, -1, -1, at.x, at.y), expected.found);
  EXPECT_EQ(at, (PixelPoint{expected.x, expected.y}));
  EXPECT_FALSE(expected.found);
  EXPECT_TRUE(finder.FindBMP_SinB(QLM_BMP_FIND_IMAGE, 5, 0, 0, 0, -1, -1, at.x, at.y));
  EXPECT_EQ(at, (PixelPoint{200, 80}));
}

}  // namespace
}  // namespace qlm
