#include "imaging/ImageCondition.h"

#include <gtest/gtest.h>

#include "ImagingSupport.h"

namespace qlm {
namespace {

using test::fillRect;
using test::makePicture;
using test::Rgb;

Picture windowWithButton(int width, int height, int buttonX, int buttonY) {
  Picture p = makePicture(width, height, {212, 208, 200});
  fillRect(p, buttonX, buttonY, 30, 12, {0, 0, 128});
  fillRect(p, buttonX + 4, buttonY + 3, 22, 6, {255, 255, 255});
  return p;
}

TEST(FoundTarget, KeepsTheRecordedClickOffsetFromTheImageOrIsMinusTwo) {
  const Rect area{100, 50, 141, 71};
  const FoundTarget t = foundTarget(true, {130, 45}, {200, 300}, {110, 60}, area);
  EXPECT_EQ(std::pair(t.position, t.click), std::pair(Point{130, 45}, Point{200 + 130 + 10, 300 + 45 + 10}));
  // Whole-screen targets use the screen origin.
  EXPECT_EQ(foundTarget(true, {5, 6}, {0, 0}, {1, 1}, Rect{3, 3, 10, 10}).click, (Point{3, 4}));
  const FoundTarget none = foundTarget(false, {-1, -1}, {200, 300}, {110, 60}, area);
  EXPECT_EQ(std::pair(none.position, none.click), std::pair(Point{-2, -2}, Point{-2, -2}));
}

TEST(ImageAreaSearch, FindsTheButtonAfterTheWindowChanged) {
  const Picture recorded = windowWithButton(200, 120, 40, 30);
  ImageAreaSearch search;
  ASSERT_TRUE(search.loadArea(recorded, Rect{38, 28, 73, 45}));
  const Picture live = windowWithButton(260, 150, 95, 71);
  const AttemptResult r = search.attempt(pictureRows(live), SearchMethod::Image, 0, 0);
  EXPECT_EQ(r.outcome, AttemptOutcome::Found);
  EXPECT_EQ(r.position, (Point{93, 69}));
  // The small picture stays loaded for the next attempt.
  EXPECT_EQ(search.attempt(pictureRows(recorded), SearchMethod::Shape, 5, 0).position, (Point{38, 28}));
}

// An area outside the stored picture finds nothing.
TEST(ImageAreaSearch, ACaptureSmallerThanTheAreaOrAnAreaOutsideThePictureFindsNothing) {
  ImageAreaSearch search;
  ASSERT_TRUE(search.loadArea(windowWithButton(200, 120, 40, 30), Rect{38, 28, 73, 45}));
  const AttemptResult small = search.attempt(pictureRows(makePicture(34, 100)), SearchMethod::Image, 0, 0);
  EXPECT_EQ(std::pair(small.outcome, small.position), std::pair(AttemptOutcome::CaptureTooSmall, kNoPoint));
  EXPECT_EQ(search.attempt(pictureRows(windowWithButton(200, 120, 0, 0)), SearchMethod::Image, 0, 0).outcome,
            AttemptOutcome::NotFound);
  EXPECT_FALSE(search.loadArea(makePicture(50, 50), Rect{40, 40, 61, 46}));
  EXPECT_FALSE(search.loadArea(makePicture(50, 50), Rect{10, 10, 10, 21}));
  EXPECT_EQ(search.attempt(pictureRows(makePicture(50, 50)), SearchMethod::Image, 100, 100).outcome, AttemptOutcome::NotFound);
}

}  // namespace
}  // namespace qlm
