#include <gtest/gtest.h>

#include "ImagingSupport.h"
#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

// Under the shape rule a small pixel within T of its reference but not equal to it misses
// wherever the big pixel is also near and not equal; an exact copy of an area with such
// in-between greys (the clock's anti-aliased ticks) must still be found, whatever the colour tolerance.
TEST(BmpFinderShape, FindsAnExactCopyWithInBetweenGreys) {
  const Picture screen = test::loadPng("screens/desktop-terminals-1920x1080.png");
  ASSERT_FALSE(screen.empty());
  const Picture area = test::crop(screen, 1680, 990, 41, 21);
  Picture desktop = test::makePicture(300, 120, {58, 110, 165});
  test::paste(desktop, area, 200, 80);
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(desktop));
  ASSERT_TRUE(finder.loadSmall(area, 0, 0, 41, 21));
  for (int colourTolerance : {0, 5, 12}) {
    SCOPED_TRACE(colourTolerance);
    Point at = kNoPoint;
    EXPECT_TRUE(finder.findSmallInBig(SearchMethod::Shape, colourTolerance, 0, 0, 0, -1, -1, at.x, at.y));
    EXPECT_EQ(at, (Point{200, 80}));
    const test::ReferenceResult expected =
        test::referenceSearch(desktop, area, SearchMethod::Shape, colourTolerance, 0, 0, 0, -1, -1);
    EXPECT_EQ(at, (Point{expected.x, expected.y}));
  }
}

}  // namespace
}  // namespace qlm
