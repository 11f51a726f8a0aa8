// The shared-memory capture gives the bytes that plain XGetImage gives, into a
// picture whose memory held anything before.
#include <string>

#include "X11Fixture.h"
#include "platform/x11/X11Parts.h"

namespace qlm {
namespace {

using testing::waitFor;

struct ExactCase {
  const char* name;
  Rect (*area)(const Rect& patterned, const Rect& offScreen);
};

void PrintTo(const ExactCase& c, std::ostream* out) { *out << c.name; }

class CaptureExact : public testing::DesktopTest, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(CaptureExact, EqualsXGetImageWhateverThePictureHeld) {
  // A pattern somewhere, and a window past the left and bottom edges.
  Probe patterned = startProbe("qlm exact pattern", {"--at", "300,200", "--pattern", "7,5"});
  Probe offScreen = startProbe("qlm exact edge", {"--at", "600,500", "--pattern", "0,0", "--color", "c08040"});
  ASSERT_TRUE(platform->windows->moveResize(offScreen.window, Rect::fromSize(-150, 960, 320, 200)));
  ASSERT_TRUE(waitFor([&] { return platform->windows->rect(offScreen.window)->left == -150; }));
  waitFor([] { return false; }, std::chrono::milliseconds(200));  // let both repaint
  const auto frame = platform->windows->rect(patterned.window);
  const auto edge = platform->windows->rect(offScreen.window);
  ASSERT_TRUE(frame && edge);
  const Rect area = GetParam().area(*frame, *edge);

  std::string error;
  auto connection = x11::Connection::open(display, error);
  ASSERT_TRUE(connection) << error;
  const std::optional<Picture> expected = x11::makePlainCapture(connection)->capture(area);
  ASSERT_TRUE(expected);
  Picture reused;
  reused.width = area.width();
  reused.height = area.height();
  reused.pixels.assign(reused.pixelBytes(), 0xA5);
  ASSERT_TRUE(platform->capture->captureInto(area, reused));
  EXPECT_EQ(std::tie(reused.width, reused.height, reused.bitsPerPixel),
            std::tie(expected->width, expected->height, expected->bitsPerPixel));
  EXPECT_TRUE(reused.pixels == expected->pixels);
  if (area.left < 0) {
    const std::uint8_t* corner = reused.rowFromTop(reused.height - 1);
    EXPECT_EQ(corner[0] | corner[1] | corner[2] | corner[3], 0);
  }
}

class CaptureFrames : public testing::DesktopTest {
protected:
  Picture converted(const std::shared_ptr<ScreenFrame>& frame) {
    Picture picture;
    if (frame) convertRows(frame->rows(), picture);
    return picture;
  }
};

// The search reads frames where the server put them: one still held is never
// written over by the next capture, and each shows what XGetImage shows.
TEST_F(CaptureFrames, AHeldFrameKeepsItsScreenWhileTheNextIsTaken) {
  Probe patterned = startProbe("qlm frame pattern", {"--at", "300,200", "--pattern", "7,5"});
  waitFor([] { return false; }, std::chrono::milliseconds(200));  // let it paint
  const Rect area = Rect::fromSize(250, 150, 400, 300);
  std::string error;
  auto connection = x11::Connection::open(display, error);
  ASSERT_TRUE(connection) << error;
  auto plain = x11::makePlainCapture(connection);
  const std::optional<Picture> before = plain->capture(area);
  Picture spare;
  std::shared_ptr<ScreenFrame> first = platform->capture->captureFrame(area, spare);
  ASSERT_TRUE(first && before);
  EXPECT_TRUE(converted(first).pixels == before->pixels);

  const auto moveTo = [&](int left, int top) {  // and let it repaint
    ASSERT_TRUE(platform->windows->moveResize(patterned.window, Rect::fromSize(left, top, 320, 200)));
    ASSERT_TRUE(waitFor([&] { return platform->windows->rect(patterned.window)->left == left; }));
    waitFor([] { return false; }, std::chrono::milliseconds(200));
  };
  moveTo(900, 600);
  const std::optional<Picture> after = plain->capture(area);
  const std::shared_ptr<ScreenFrame> second = platform->capture->captureFrame(area, spare);
  ASSERT_TRUE(second && after);
  EXPECT_FALSE(after->pixels == before->pixels);
  EXPECT_TRUE(converted(second).pixels == after->pixels);
  EXPECT_TRUE(converted(first).pixels == before->pixels);

  // The first frame let go is filled again, with only the rows that changed since.
  first.reset();
  moveTo(420, 260);
  const std::optional<Picture> last = plain->capture(area);
  const std::shared_ptr<ScreenFrame> third = platform->capture->captureFrame(area, spare);
  ASSERT_TRUE(third && last);
  EXPECT_TRUE(converted(third).pixels == last->pixels);
  EXPECT_TRUE(converted(second).pixels == after->pixels);
  EXPECT_EQ(platform->capture->captureFrame(Rect::fromSize(0, 0, 0, 5), spare), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, CaptureExact,
    ::testing::Values(ExactCase{"WholeScreen", [](const Rect&, const Rect&) { return Rect::fromSize(0, 0, 1920, 1080); }},
                      ExactCase{"OddWidthOddPlace",
                                [](const Rect& frame, const Rect&) {
                                  return Rect::fromSize(frame.left + 3, frame.top + 5, 251, 61);
                                }},
                      // Large enough to bypass the cache, with rows that start anywhere in a line.
                      ExactCase{"LargeOddWidth",
                                [](const Rect& frame, const Rect&) {
                                  return Rect::fromSize(frame.left - 1, frame.top - 7, 1001, 301);
                                }},
                      ExactCase{"WindowPartlyOffScreen", [](const Rect&, const Rect& edge) { return edge; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlm
