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

// A capture that updates the one an attempt searched in vain is searched where
// its rows changed, windows reaching into them included; any other everywhere.
TEST(ImageAreaSearch, UpdatedCapturesAreSearchedWhereTheyChangedAfterAVainAttempt) {
  const Rgb ground{212, 208, 200};
  ImageAreaSearch search;
  ASSERT_TRUE(search.loadArea(windowWithButton(200, 120, 40, 30), Rect{38, 28, 73, 45}));  // 35 x 17
  const Picture empty = makePicture(300, 200, ground);
  const Picture complete = windowWithButton(300, 200, 150, 100);  // the area at (148, 98)
  Picture partial = complete;
  fillRect(partial, 148, 110, 35, 6, {200, 0, 0});
  Picture two = complete;
  fillRect(two, 20, 20, 30, 12, {0, 0, 128});
  fillRect(two, 24, 23, 22, 6, {255, 255, 255});  // the area at (18, 18) too
  Picture tinted = complete;
  fillRect(tinted, 150, 100, 30, 12, {0, 0, 120});
  fillRect(tinted, 154, 103, 22, 6, {255, 255, 255});

  struct Step {
    const char* what;
    const Picture& capture;
    FrameChanges changes;
    int colourTolerance;
    Point expected;
  };
  const Step steps[] = {
      {"nothing yet", partial, {1, 0, {{0, 200}}}, 0, kNoPoint},
      {"the lower rows complete the area", complete, {2, 1, {{110, 116}}}, 0, Point{148, 98}},
      {"found before: everything again", complete, {3, 2, {}}, 0, Point{148, 98}},
      {"nothing", empty, {4, 0, {{0, 200}}}, 0, kNoPoint},
      {"unchanged rows are not searched again", complete, {5, 4, {{0, 10}}}, 0, kNoPoint},
      {"two changed bands: the upper match", two, {6, 5, {{18, 36}, {98, 116}}}, 0, Point{18, 18}},
      {"nothing", tinted, {7, 0, {{0, 200}}}, 0, kNoPoint},
      {"other tolerances: everything again", tinted, {8, 7, {}}, 30, Point{148, 98}},
      {"nothing", empty, {9, 0, {{0, 200}}}, 0, kNoPoint},
      {"not an update of that capture: everything again", complete, {10, 4, {}}, 0, Point{148, 98}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(search.attempt(pictureRows(step.capture), SearchMethod::Image, step.colourTolerance, 0, step.changes)
                  .position,
              step.expected);
  }
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
