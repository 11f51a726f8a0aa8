// The verbose notes of qlm play on a private virtual desktop: the overlay
// frames the xterm it types into without taking its focus, is cut to what it
// draws, and lets clicks through to the window beneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "../../platform/x11/X11Fixture.h"
#include "QuillmoteProgram.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::readFile;
using testing::scratchFile;
using testing::waitFor;

bool blueAt(const Picture& shot, int x, int y) {
  if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return false;
  const std::uint8_t* pixel = shot.rowFromTop(y) + x * 4;
  return pixel[0] > 200 && pixel[1] < 40 && pixel[2] < 40;
}

// Where the overlay draws nothing, a window not cut to its drawing would show black.
bool blackAt(const Picture& shot, int x, int y) {
  if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return false;
  const std::uint8_t* pixel = shot.rowFromTop(y) + x * 4;
  return pixel[0] + pixel[1] + pixel[2] < 30;
}

class QlmPlayOverlayTest : public testing::DesktopTest {
 protected:
  std::optional<Picture> screenshot() {
    const DesktopInfo screen = platform->windows->desktop();
    return platform->capture->capture(Rect::fromSize(0, 0, screen.width, screen.height));
  }
};

TEST_F(QlmPlayOverlayTest, FramesTheXtermsTopEdgeAndLeavesItTheFocus) {
  auto typed = scratchFile("overlay.txt");
  std::filesystem::remove(typed);
  auto xterm = start({"xterm", "-T", "qlm overlay", "-e", "sh", "-c", "cat > '" + typed.string() + "'"});
  const WindowId target = waitForWindow("XTerm", "qlm overlay");
  ASSERT_NE(target, kNoWindow);
  const std::optional<Rect> edge = platform->windows->rect(target);
  ASSERT_TRUE(edge);
  std::optional<Picture> before = screenshot();
  ASSERT_TRUE(before);
  ASSERT_FALSE(blackAt(*before, std::max(edge->left, 0) + 40, std::max(edge->top, 0)));
  const std::string line(120, 'v');
  const std::string document = scratchFile("overlay.qlm").string();
  testing::writeDocument(document, "qlm overlay", {"Verbose(7); Wait(500)", "\"" + line + "\"&\"V[RETURN]\""});

  const std::string errors = scratchFile("overlay.err").string();
  auto play = start({"sh", "-c", "exec '" QLM_BINARY "' play '" + document + "' 2> '" + errors + "'"});
  const int left = std::max(edge->left, 0);
  const int top = std::max(edge->top, 0);
  bool framed = false;
  bool cutToItsDrawing = false;
  WindowId focus = kNoWindow;
  waitFor([&] {
    std::optional<Picture> shot = screenshot();
    if (!shot) return false;
    framed = blueAt(*shot, left + 3, top + 10) && blueAt(*shot, left + 40, top + 3);
    // Above the frame, 2 pixels inside the edge, the overlay draws nothing.
    cutToItsDrawing = !blackAt(*shot, left + 40, top);
    focus = platform->windows->keyboardFocus();
    return framed;
  }, 30s);
  EXPECT_TRUE(framed) << readFile(errors);
  EXPECT_TRUE(cutToItsDrawing);
  EXPECT_EQ(focus, target);
  EXPECT_EQ(play->waitForExit(60s), std::optional<int>(0)) << readFile(errors);
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == line + "\n"; })) << readFile(typed);
}

TEST_F(QlmPlayOverlayTest, ClicksGoThroughToTheWindowBeneath) {
  ASSERT_TRUE(platform->overlay);
  Probe probe = startProbe("qlm beneath the overlay");
  int x = 0;
  int y = 0;
  ASSERT_EQ(std::sscanf(readFile(probe.log).c_str(), "ready %d %d", &x, &y), 2);
  OverlayNote note;
  note.area = Rect::fromSize(x, y, 200, 22);
  platform->overlay->show(OverlaySlot::Target, note);
  ASSERT_TRUE(waitFor([&] {
    std::optional<Picture> shot = screenshot();
    return shot && blueAt(*shot, x + 3, y + 10);
  }));
  EXPECT_EQ(platform->windows->keyboardFocus(), probe.window);
  // On the frame's left band, where the overlay is drawn.
  Client click({"xdotool", "mousemove", std::to_string(x + 3), std::to_string(y + 10), "click", "1"}, display);
  EXPECT_TRUE(waitFor([&] { return readFile(probe.log).find("\nbutton 1 3 10 ") != std::string::npos; }))
      << readFile(probe.log);
  platform->overlay->hide(OverlaySlot::Target);
}

}  // namespace
}  // namespace qlm
