// The AVX2 and the plain search paths each give the brute-force answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ImagingSupport.h"
#include "imaging/BmpFinder.h"
#include "imaging/ExactImageScan.h"

namespace qlm {
namespace {

int between(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// The picture top-down, as a screen capture lies, with the unused byte of every pixel set at random.
std::vector<std::uint8_t> topDownWithNoise(const Picture& picture, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> rows(4 * static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* out = rows.data() + 4 * static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(y);
    std::copy_n(picture.rowFromTop(y), 4 * static_cast<std::size_t>(picture.width), out);
    for (int x = 0; x < picture.width; ++x) out[4 * x + 3] = static_cast<std::uint8_t>(between(random, 0, 255));
  }
  return rows;
}

class SearchPaths : public ::testing::TestWithParam<KernelPath> {
 protected:
  void SetUp() override { forceKernelPath(GetParam()); }
  void TearDown() override { stopForcingKernelPath(); }

  // Areas cut at random within `within`, some with a few pixels changed, searched from random starts and skips.
  static void searchCutsOf(std::mt19937& random, const Picture& big, int rounds, Rect within = {}) {
    if (within.width() <= 0) within = Rect::fromSize(0, 0, big.width, big.height);
    for (int round = 0; round < rounds; ++round) {
      const int w = between(random, 1, std::min(within.width(), 45));
      const int h = between(random, 1, std::min(within.height(), 24));
      const Point cut{between(random, within.left, within.left + within.width() - w),
                      between(random, within.top, within.top + within.height() - h)};
      Picture small = test::crop(big, cut.x, cut.y, w, h);
      const int change = between(random, 0, 3);
      if (change == 0) {
        const test::Rgb c = test::pixelAt(small, w - 1, h - 1);
        test::setPixel(small, w - 1, h - 1, {c.red ^ between(random, 1, 8), c.green, c.blue});
      }
      // As many pixels as pixel tolerance 10 lets miss take the colour of the last one: the cut
      // lies at the limit, and so do the colour counts.
      const test::Rgb last = test::pixelAt(small, w - 1, h - 1);
      for (int i = 0, changed = 0; change == 1 && i < w * h && changed < w * h / 10; ++i) {
        const test::Rgb c = test::pixelAt(small, i % w, i / w);
        if (c == last) continue;
        test::setPixel(small, i % w, i / w, last);
        ++changed;
      }
      const SearchMethod method = between(random, 0, 3) == 0 ? SearchMethod::Shape : SearchMethod::Image;
      const int colourTol = std::array{0, 0, 1, 5, 30}[static_cast<std::size_t>(between(random, 0, 4))];
      const int pixelTol = change == 1 || between(random, 0, 3) == 0 ? 10 : 0;
      const Point start = between(random, 0, 2) == 0 ? cut : Point{0, 0};
      const Point skip = between(random, 0, 2) == 0 ? cut : kNoPoint;
      SCOPED_TRACE(testing::Message() << "round " << round << " area " << w << "x" << h << " at " << cut.x << ","
                                      << cut.y << " method " << static_cast<int>(method) << " colour " << colourTol << " pixel " << pixelTol
                                      << " start " << start.x << "," << start.y << " skip " << skip.x);
      const test::ReferenceResult expected =
          test::referenceSearch(big, small, method, colourTol, pixelTol, start.x, start.y, skip.x, skip.y);
      BmpFinder finder;
      const std::vector<std::uint8_t> captured = topDownWithNoise(big, static_cast<unsigned>(round));
      if (round % 2 == 1) {
        ASSERT_TRUE(finder.loadBig(PixelRows{captured.data(), 4 * static_cast<std::ptrdiff_t>(big.width), big.width,
                                             big.height}));
      } else {
        ASSERT_TRUE(finder.loadBig(big));
      }
      ASSERT_TRUE(finder.loadSmall(small, 0, 0, w, h));
      Point at = kNoPoint;
      finder.findSmallInBig(method, colourTol, pixelTol, start.x, start.y, skip.x, skip.y, at.x, at.y);
      EXPECT_EQ(at, (Point{expected.x, expected.y}));
    }
  }
};

TEST_P(SearchPaths, RandomPicturesGiveTheReferenceAnswer) {
  for (int seed = 0; seed < 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(static_cast<unsigned>(seed));
    const Picture big = test::randomPicture(random, between(random, 1, 90), between(random, 1, 40), between(random, 1, 3));
    searchCutsOf(random, big, 3);
  }
}

// Colour counts reject every group of positions on the background but those near the piece.
TEST_P(SearchPaths, PiecesOnPlainBackgroundsGiveTheReferenceAnswer) {
  for (int seed = 0; seed < 20; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(static_cast<unsigned>(seed));
    Picture big = test::makePicture(between(random, 140, 240), between(random, 10, 40),
                                    {between(random, 0, 255), between(random, 0, 255), between(random, 0, 255)});
    Picture piece = test::randomPicture(random, between(random, 8, 60), between(random, 4, big.height),
                                        between(random, 1, 3));
    // One colour more frequent than the others.
    test::fillRect(piece, 0, 0, piece.width, between(random, 0, piece.height / 2),
                   test::pixelAt(piece, piece.width - 1, piece.height - 1));
    const Point at{between(random, 0, big.width - piece.width), between(random, 0, big.height - piece.height)};
    test::paste(big, piece, at.x, at.y);
    searchCutsOf(random, big, 3, Rect::fromSize(at.x, at.y, piece.width, piece.height));
  }
}

TEST_P(SearchPaths, ScreenCropsGiveTheReferenceAnswer) {
  for (const char* file : {"desktop-terminals-1920x1080.png", "desktop-blue-1920x1080.png"}) {
    SCOPED_TRACE(file);
    const Picture screen = test::loadPng(std::string("screens/") + file);
    ASSERT_FALSE(screen.empty());
    std::mt19937 random(7);
    for (int crop = 0; crop < 3; ++crop) {
      const Picture big = test::crop(screen, between(random, 0, screen.width - 260), between(random, 0, screen.height - 90), 260, 90);
      searchCutsOf(random, big, 4);
    }
  }
}

// Under the shape rule a small pixel within T of its reference but not equal to it misses
// wherever the big pixel is also near and not equal; an exact copy of an area with such
// in-between greys (the clock's anti-aliased ticks) must still be found, whatever the colour
// tolerance. On a black desktop no other window has the copy's darkest grey, so only the
// copy's own window can hold it.
TEST_P(SearchPaths, ExactCopiesWithInBetweenGreysAreShapeMatches) {
  const Picture screen = test::loadPng("screens/desktop-terminals-1920x1080.png");
  ASSERT_FALSE(screen.empty());
  const Picture clock = test::crop(screen, 1680, 990, 41, 21);
  for (const test::Rgb ground : {test::Rgb{58, 110, 165}, test::Rgb{0, 0, 0}}) {
    Picture desktop = test::makePicture(300, 120, ground);
    test::paste(desktop, clock, 200, 80);
    BmpFinder finder;
    ASSERT_TRUE(finder.loadBig(desktop));
    ASSERT_TRUE(finder.loadSmall(clock, 0, 0, clock.width, clock.height));
    for (int colourTolerance : {0, 5, 12}) {
      SCOPED_TRACE(testing::Message() << "ground " << ground.red << " colour " << colourTolerance);
      Point at = kNoPoint;
      finder.findSmallInBig(SearchMethod::Shape, colourTolerance, 0, 0, 0, -1, -1, at.x, at.y);
      EXPECT_EQ(at, (Point{200, 80}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, SearchPaths, ::testing::Values(KernelPath::Plain, KernelPath::Avx2),
                         [](const auto& info) { return info.param == KernelPath::Plain ? "Plain" : "Avx2"; });

}  // namespace
}  // namespace qlm
