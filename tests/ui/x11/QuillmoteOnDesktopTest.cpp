// The quillmote program itself on a private virtual desktop: a command line in
// error shown at the first paint, and playbacks into real xterms that end the
// program, watched by the debugger, which holds the keys until Continue is
// pressed, and by the verbose note, which frames the xterm's top edge without
// taking its focus.
#include <gtest/gtest.h>

#include "../../platform/x11/X11Fixture.h"
#include "QuillmoteProgram.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using namespace testing;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

TEST(QuillmoteOnDesktopTest, InvalidCommandIsShownAndTheProgramEnds) {
  Platform& platform = *SharedDesktop::platform();
  auto errors = scratchFile("bogus.err");
  auto program = testing::startQuillmote({"bad.qlm", "/bogus"}, errors);
  ASSERT_TRUE(waitFor([&] { return readFile(errors).find("Quillmote: Invalid command /bogus\n") != std::string::npos; },
                      20s))
      << readFile(errors);
  WindowId message = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (message = platform.windows->findWindow(std::nullopt, "Quillmote")) != kNoWindow; },
                      10s));
  // The user acknowledges the message; nothing else is left open.
  Client key({"xdotool", "windowactivate", "--sync", std::to_string(message), "key", "Return"},
             SharedDesktop::desktop()->display());
  EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST(QuillmoteOnDesktopTest, DebuggerHoldsTheKeysUntilContinue) {
  Platform& platform = *SharedDesktop::platform();
  auto typed = scratchFile("debugged.txt");
  WindowId target = kNoWindow;
  auto xterm = testing::startXterm("qlm debugged", typed, target);
  std::string document = scratchFile("debugged.qlm").string();
  writeDocument(document, "qlm debugged", {"Debug(1)", "\"held\"&\"V[RETURN]\""});

  auto program = testing::startQuillmote({document, "/play", "/close", "/nosound"}, scratchFile("debugged.err"));
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
      Client press({"xdotool", "windowactivate", "--sync", std::to_string(debug), "key", "Return"},
                   SharedDesktop::desktop()->display());
      closed = waitFor([&] { return !platform.windows->exists(debug); }, 3s);
    }
    ASSERT_TRUE(closed);
  }
  EXPECT_EQ(program->waitForExit(60s), 0) << readFile(scratchFile("debugged.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == "held\n"; })) << readFile(typed);
}

bool blueAt(const Picture& shot, int x, int y) {
  if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return false;
  const std::uint8_t* pixel = shot.rowFromTop(y) + x * 4;
  return pixel[0] > 200 && pixel[1] < 40 && pixel[2] < 40;
}

TEST(QuillmoteOnDesktopTest, VerboseNoteFramesTheTargetAndLeavesItTheFocus) {
  Platform& platform = *SharedDesktop::platform();
  auto typed = scratchFile("verbose.txt");
  WindowId target = kNoWindow;
  auto xterm = testing::startXterm("qlm verbose", typed, target);
  const std::string line(120, 'v');
  std::string document = scratchFile("verbose.qlm").string();
  writeDocument(document, "qlm verbose", {"Verbose(7); Wait(500)", "\"" + line + "\"&\"V[RETURN]\""});

  auto program = testing::startQuillmote({document, "/play", "/close", "/nosound"}, scratchFile("verbose.err"));
  EXPECT_TRUE(waitFor([&] {
    const std::optional<Rect> edge = platform.windows->rect(target);
    const DesktopInfo screen = platform.windows->desktop();
    auto shot = platform.capture->capture(Rect::fromSize(0, 0, screen.width, screen.height));
    const int left = edge ? std::max(edge->left, 0) : 0, top = edge ? std::max(edge->top, 0) : 0;
    return edge && shot && blueAt(*shot, left + 3, top + 10) && blueAt(*shot, left + 40, top + 3);
  }, 30s));
  EXPECT_EQ(program->waitForExit(60s), 0) << readFile(scratchFile("verbose.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == line + "\n"; })) << readFile(typed);
}

}  // namespace
}  // namespace qlm
