// BmpFinder against a brute-force search written from the rules alone.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "ImagingSupport.h"
#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

using test::crop;
using test::makePicture;
using test::pixelAt;
using test::Rgb;
using test::setPixel;

struct Query {
  SearchMethod method = SearchMethod::Image;
  int colourTol = 0;
  int pixelTol = 0;
  Point start{0, 0};
  Point skip{-1, -1};
};

void expectSameAsReference(const Picture& big, const Picture& small, const Query& q) {
  std::ostringstream query;
  query << "method " << static_cast<int>(q.method) << " colour " << q.colourTol << " pixel " << q.pixelTol << " start "
        << q.start.x << "," << q.start.y << " skip " << q.skip.x << "," << q.skip.y;
  SCOPED_TRACE(query.str());
  const test::ReferenceResult expected = test::referenceSearch(big, small, q.method, q.colourTol, q.pixelTol,
                                                               q.start.x, q.start.y, q.skip.x, q.skip.y);
  BmpFinder finder;
  ASSERT_TRUE(finder.loadBig(big));
  ASSERT_TRUE(finder.loadSmall(small, 0, 0, small.width, small.height));
  Point at = kNoPoint;
  const bool found = finder.findSmallInBig(q.method, q.colourTol, q.pixelTol, q.start.x, q.start.y, q.skip.x,
                                         q.skip.y, at.x, at.y);
  EXPECT_EQ(found, expected.found);
  EXPECT_EQ(at, (Point{expected.x, expected.y}));
}

template <class T>
T pick(std::mt19937& random, std::initializer_list<T> values) {
  std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
  return *(values.begin() + static_cast<std::ptrdiff_t>(index(random)));
}

int between(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// Colour shifts, inversion or a few replaced pixels, so that near misses occur.
Picture disturb(std::mt19937& random, const Picture& piece) {
  Picture out = piece;
  const int kind = between(random, 0, 4);
  for (int y = 0; y < piece.height; ++y) {
    for (int x = 0; x < piece.width; ++x) {
      Rgb c = pixelAt(piece, x, y);
      if (kind == 1) c = {255 - c.red, 255 - c.green, 255 - c.blue};
      if (kind == 2) {
        const int d = between(random, -14, 14);
        c = {std::clamp(c.red + d, 0, 255), std::clamp(c.green + d, 0, 255), std::clamp(c.blue + d, 0, 255)};
      }
      if (kind == 3 && between(random, 0, 9) == 0) c = {between(random, 0, 255), 0, between(random, 0, 255)};
      setPixel(out, x, y, c);
    }
  }
  return out;
}

Query randomQuery(std::mt19937& random, const Picture& big, Point cut) {
  Query q;
  q.method = pick(random, {SearchMethod::Image, SearchMethod::Image, SearchMethod::Shape, SearchMethod::Shape, static_cast<SearchMethod>(1)});
  q.colourTol = pick(random, {0, 0, 1, 5, 5, 10, 30, 100, 120, -5});
  q.pixelTol = pick(random, {0, 0, 0, 3, 10, 25, 60, 100, 150, -1});
  if (between(random, 0, 2) == 0) q.start = {between(random, -2, big.width), between(random, -2, big.height)};
  if (between(random, 0, 2) == 0) q.skip = cut;
  return q;
}

class RandomPictures : public ::testing::TestWithParam<int> {};

TEST_P(RandomPictures, GiveTheReferenceAnswer) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  const bool largeArea = GetParam() % 10 == 0;  // allows more misses than a byte counts
  const int width = between(random, largeArea ? 30 : 4, 72);
  const int height = between(random, largeArea ? 20 : 3, 48);
  const Picture big = test::randomPicture(random, width, height, between(random, 1, 5));
  const int w = between(random, 1, std::min(width, largeArea ? 30 : 12));
  const int h = between(random, 1, std::min(height, largeArea ? 20 : 8));
  const Point cut{between(random, 0, width - w), between(random, 0, height - h)};
  const Picture small = between(random, 0, 5) == 0 ? test::randomPicture(random, w, h, 3)
                                                    : disturb(random, crop(big, cut.x, cut.y, w, h));
  for (int round = 0; round < 4; ++round) {
    Query q = randomQuery(random, big, cut);
    if (largeArea && round == 0) q.pixelTol = 90;
    expectSameAsReference(big, small, q);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPictures, ::testing::Range(0, 300));

// Screen crops: flat areas, text and repeated glyphs.
class ScreenPictures : public ::testing::TestWithParam<int> {};

TEST_P(ScreenPictures, GiveTheReferenceAnswer) {
  const Picture screen = test::loadPng(GetParam() % 2 ? "screens/desktop-blue-1920x1080.png"
                                                     : "screens/desktop-terminals-1920x1080.png");
  ASSERT_FALSE(screen.empty());
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  const int width = 200;
  const int height = 120;
  const Picture big = crop(screen, between(random, 0, screen.width - width), between(random, 0, screen.height - height),
                           width, height);
  const int w = pick(random, {41, 41, 16, 7});
  const int h = pick(random, {21, 21, 10, 5});
  const Point cut{between(random, 0, width - w), between(random, 0, height - h)};
  const Picture exact = crop(big, cut.x, cut.y, w, h);
  for (int round = 0; round < 3; ++round) {
    Query q = randomQuery(random, big, cut);
    expectSameAsReference(big, round == 0 ? exact : disturb(random, exact), q);
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenPictures, ::testing::Range(0, 24));

// An area near the bottom, with and without its own position, and an area found nowhere.
TEST(WholeScreen, GivesTheReferenceAnswer) {
  Picture absent = makePicture(41, 21, {255, 0, 255});
  test::fillRect(absent, 10, 5, 20, 10, {0, 255, 0});
  for (const char* file : {"desktop-terminals-1920x1080.png", "desktop-blue-1920x1080.png"}) {
    SCOPED_TRACE(file);
    const Picture screen = test::loadPng(std::string("screens/") + file);
    ASSERT_EQ(std::pair(screen.width, screen.height), std::pair(1920, 1080));
    const Picture area = crop(screen, 1500, 1040, 41, 21);
    expectSameAsReference(screen, area, Query{});
    expectSameAsReference(screen, area, Query{.skip = {1500, 1040}});
    expectSameAsReference(screen, absent, Query{});
  }
}

}  // namespace
}  // namespace qlm
