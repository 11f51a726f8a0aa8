// The windows that watch a playback, on a private virtual desktop: the
// debugger holds the keys until Continue is pressed, and the verbose note
// frames the xterm's top edge without taking its focus.
#include <gtest/gtest.h>

#include "../../platform/x11/X11Fixture.h"
#include "QuillmoteProgram.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;
using testing::writeDocument;

TEST(PlaybackWindowsTest, DebuggerHoldsTheKeysUntilContinue) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  auto typed = scratchFile("debugged.txt");
  std::filesystem::remove(typed);
  Client xterm({"xterm", "-T", "qlm debugged", "-e", "sh", "-c", "cat > '" + typed.string() + "'"}, display);
  ASSERT_TRUE(waitFor([&] { return platform.windows->findWindow("XTerm", "qlm debugged") != kNoWindow; }, 20s));
  std::string document = scratchFile("debugged.qlm").string();
  writeDocument(document, "qlm debugged", {"Debug(1)", "\"held\"&\"V[RETURN]\""});

  testing::QuillmoteProgram program({document, "/play", "/close", "/nosound"}, scratchFile("debugged.err"));
  // The Debug step itself, the step after it, then the step whose keys wait.
  for (const char* title : {"Quillmote Debug step by step Level=0", "Quillmote Debug step by step Level=1",
                            "Quillmote Debug step by step Level=1"}) {
    SCOPED_TRACE(title);
    WindowId debug = kNoWindow;
    ASSERT_TRUE(waitFor([&] { return (debug = platform.windows->findWindow(std::nullopt, title)) != kNoWindow; }, 30s))
        << readFile(scratchFile("debugged.err"));
    EXPECT_EQ(readFile(typed), "");
    // A key pressed while the window is still being mapped is lost: press again. xdotool stops
    // at a window that is gone, so no key reaches the next stop.
    bool closed = false;
    for (int attempt = 0; attempt < 4 && !closed; ++attempt) {
      Client press({"xdotool", "windowactivate", "--sync", std::to_string(debug), "key", "Return"}, display);
      closed = waitFor([&] { return !platform.windows->exists(debug); }, 3s);
    }
    ASSERT_TRUE(closed);
  }
  EXPECT_EQ(program.exitStatus(60s), 0) << readFile(scratchFile("debugged.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == "held\n"; })) << readFile(typed);
}

bool blueAt(const Picture& shot, int x, int y) {
  if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return false;
  const std::uint8_t* pixel = shot.rowFromTop(y) + x * 4;
  return pixel[0] > 200 && pixel[1] < 40 && pixel[2] < 40;
}

TEST(PlaybackWindowsTest, VerboseNoteFramesTheTargetAndLeavesItTheFocus) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  auto typed = scratchFile("verbose.txt");
  std::filesystem::remove(typed);
  Client xterm({"xterm", "-T", "qlm verbose", "-e", "sh", "-c", "cat > '" + typed.string() + "'"}, display);
  WindowId target = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (target = platform.windows->findWindow("XTerm", "qlm verbose")) != kNoWindow; }, 20s));
  const std::string line(120, 'v');
  std::string document = scratchFile("verbose.qlm").string();
  writeDocument(document, "qlm verbose", {"Verbose(7); Wait(500)", "\"" + line + "\"&\"V[RETURN]\""});

  testing::QuillmoteProgram program({document, "/play", "/close", "/nosound"}, scratchFile("verbose.err"));
  bool framed = false;
  waitFor([&] {
    const std::optional<Rect> edge = platform.windows->rect(target);
    const DesktopInfo screen = platform.windows->desktop();
    if (!edge) return false;
    auto shot = platform.capture->capture(Rect::fromSize(0, 0, screen.width, screen.height));
    if (!shot) return false;
    const int left = std::max(edge->left, 0);
    const int top = std::max(edge->top, 0);
    framed = blueAt(*shot, left + 3, top + 10) && blueAt(*shot, left + 40, top + 3);
    return framed;
  }, 30s);
  EXPECT_TRUE(framed);
  EXPECT_EQ(program.exitStatus(60s), 0) << readFile(scratchFile("verbose.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == line + "\n"; })) << readFile(typed);
}

}  // namespace
}  // namespace qlm
