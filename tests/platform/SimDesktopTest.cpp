#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"
#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

class SimDesktopTest : public ::testing::Test {
protected:
  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>(800, 600);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);

  WindowId editor() {
    SimWindowSpec spec;
    spec.className = "Notepad";
    spec.title = "notes.txt - Editor";
    spec.process = "editor";
    spec.textField = true;
    return desktop->createWindow(spec);
  }

  void typeWithLayout(std::string_view text) {
    for (char c : text) {
      auto stroke = platform->input->keyForCharacter(static_cast<unsigned char>(c));
      if (!stroke) {
        platform->input->sendCharacter(static_cast<unsigned char>(c), false);
        platform->input->sendCharacter(static_cast<unsigned char>(c), true);
        continue;
      }
      if (stroke->shiftState & 1) platform->input->sendKey(vk::kShift, false);
      platform->input->sendKey(stroke->virtualKey, false);
      platform->input->sendKey(stroke->virtualKey, true);
      if (stroke->shiftState & 1) platform->input->sendKey(vk::kShift, true);
    }
  }
};

TEST_F(SimDesktopTest, PlatformIsCompleteAndDescribesItsDesktop) {
  EXPECT_TRUE(platform->complete());
  EXPECT_EQ(platform->name, "sim");
  EXPECT_FALSE(platform->input->keyForCharacter(0xE9).has_value());  // e acute
  EXPECT_EQ(platform->windows->desktop().width, 800);
  EXPECT_EQ(platform->windows->desktop().bitsPerPixel, 32);
  desktop->setBitsPerPixel(16);
  EXPECT_EQ(platform->windows->desktop().bitsPerPixel, 16);
}

TEST_F(SimDesktopTest, ListsTitledWindowsFrontToBack) {
  WindowId first = editor();
  SimWindowSpec untitled;
  untitled.title = "";
  desktop->createWindow(untitled);
  SimWindowSpec spec;
  spec.title = "Calculator";
  WindowId second = desktop->createWindow(spec);
  EXPECT_EQ(platform->windows->topLevelWindows(), (std::vector<WindowId>{second, first}));
  platform->windows->setForeground(first);
  EXPECT_EQ(platform->windows->topLevelWindows(), (std::vector<WindowId>{first, second}));
}

TEST_F(SimDesktopTest, FindWindowMatchesExactlyAndMissingPartsMatchAny) {
  WindowId window = editor();
  EXPECT_EQ(platform->windows->findWindow("Notepad", "notes.txt - Editor"), window);
  EXPECT_EQ(platform->windows->findWindow(std::nullopt, "notes.txt - Editor"), window);
  EXPECT_EQ(platform->windows->findWindow("Notepad", std::nullopt), window);
  EXPECT_EQ(platform->windows->findWindow("Notepad", "notes.txt"), kNoWindow);
  EXPECT_EQ(platform->windows->findWindow("notepad", std::nullopt), kNoWindow);
  EXPECT_EQ(platform->windows->processFileName(window), "editor");
}

TEST_F(SimDesktopTest, RestoreMinimiseAndForeground) {
  WindowId window = editor();
  ASSERT_TRUE(platform->windows->minimize(window));
  EXPECT_TRUE(platform->windows->isMinimized(window));
  EXPECT_NE(platform->windows->foreground(), window);
  ASSERT_TRUE(platform->windows->restore(window));
  ASSERT_TRUE(platform->windows->setForeground(window));
  EXPECT_FALSE(platform->windows->isMinimized(window));
  EXPECT_EQ(platform->windows->foreground(), window);
  EXPECT_FALSE(platform->windows->setForeground(0xDEAD));
}

TEST_F(SimDesktopTest, LastActivePopupIsTheFrontmostDialog) {
  WindowId main = editor();
  EXPECT_EQ(platform->windows->lastActivePopup(main), main);
  SimWindowSpec dialog;
  dialog.title = "Save as";
  dialog.owner = main;
  WindowId popup = desktop->createWindow(dialog);
  EXPECT_EQ(platform->windows->lastActivePopup(main), popup);
}

TEST_F(SimDesktopTest, MoveResizeAndMaximise) {
  WindowId window = editor();
  ASSERT_TRUE(platform->windows->moveResize(window, Rect::fromSize(0, 0, 200, 100)));
  EXPECT_EQ(platform->windows->rect(window), Rect::fromSize(0, 0, 200, 100));
  ASSERT_TRUE(platform->windows->maximize(window));
  EXPECT_EQ(platform->windows->rect(window), Rect::fromSize(0, 0, 800, 600));
  EXPECT_FALSE(platform->windows->moveResize(window, Rect::fromSize(0, 0, 0, 10)));
}

TEST_F(SimDesktopTest, WindowUnderPointer) {
  WindowId window = editor();  // at (100,100) 400x300
  platform->input->setPointerPosition({150, 150});
  EXPECT_EQ(platform->windows->windowUnderPointer(), window);
  platform->input->setPointerPosition({10, 10});
  EXPECT_EQ(platform->windows->windowUnderPointer(), kNoWindow);
}

TEST_F(SimDesktopTest, HungWindowDoesNotRespondAndGetsItsInputLater) {
  WindowId window = editor();
  EXPECT_TRUE(platform->windows->isResponding(window, std::chrono::milliseconds(30)));
  desktop->setHung(window, true);
  std::int64_t before = platform->clock->nowMs();
  EXPECT_FALSE(platform->windows->isResponding(window, std::chrono::milliseconds(30)));
  EXPECT_EQ(platform->clock->nowMs() - before, 30);
  typeWithLayout("ab");
  EXPECT_EQ(desktop->typedText(window), "");
  desktop->setHung(window, false);
  EXPECT_EQ(desktop->typedText(window), "ab");
}

struct TypingCase {
  bool capsLock;
  const char* text;
  const char* typed;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.text << (c.capsLock ? " with Caps Lock" : ""); }

class SimTyping : public SimDesktopTest, public ::testing::WithParamInterface<TypingCase> {};

// Characters without a key go through sendCharacter; Caps Lock inverts Shift.
TEST_P(SimTyping, TextFieldCollectsTypedCharacters) {
  WindowId window = editor();
  if (GetParam().capsLock) {
    platform->input->sendKey(vk::kCapital, false);
    platform->input->sendKey(vk::kCapital, true);
  }
  EXPECT_EQ(platform->input->isCapsLockOn(), GetParam().capsLock);
  typeWithLayout(GetParam().text);
  EXPECT_EQ(desktop->typedText(window), GetParam().typed);
}

INSTANTIATE_TEST_SUITE_P(Texts, SimTyping,
                         ::testing::Values(TypingCase{false, "Hello, World! 42\n", "Hello, World! 42\n"},
                                           TypingCase{false, "caf\xE9", "caf\xE9"}, TypingCase{true, "aB", "Ab"}));

TEST_F(SimDesktopTest, KeyStateFollowsInjectedKeys) {
  platform->input->sendKey(vk::kControl, false);
  EXPECT_TRUE(platform->input->isKeyDown(vk::kControl));
  platform->input->sendKey(vk::kLWin, false);
  EXPECT_TRUE(platform->input->isKeyDown(vk::kLWin));
  platform->input->sendKey(vk::kControl, true);
  EXPECT_FALSE(platform->input->isKeyDown(vk::kControl));
}

TEST_F(SimDesktopTest, CtrlVPastesTheClipboard) {
  WindowId window = editor();
  ASSERT_TRUE(platform->clipboard->setText("pasted"));
  platform->input->sendKey(vk::kControl, false);
  platform->input->sendKey('V', false);
  platform->input->sendKey('V', true);
  platform->input->sendKey(vk::kControl, true);
  EXPECT_EQ(desktop->typedText(window), "pasted");
}

TEST_F(SimDesktopTest, ClicksReachTheWindowUnderThePointerAndActivateIt) {
  SimWindowSpec spec;
  spec.title = "Target";
  spec.recordsClicks = true;
  spec.rect = Rect::fromSize(50, 60, 100, 100);
  WindowId target = desktop->createWindow(spec);
  WindowId other = editor();
  desktop->moveWindow(other, Rect::fromSize(300, 300, 100, 100));
  ASSERT_EQ(platform->windows->foreground(), other);
  platform->input->setPointerPosition({70, 90});
  platform->input->sendMouse(mouse::kRightDown);
  platform->input->sendMouse(mouse::kRightUp);
  ASSERT_EQ(desktop->clicks(target).size(), 1u);
  EXPECT_EQ(desktop->clicks(target)[0].position, (Point{20, 30}));
  EXPECT_EQ(desktop->clicks(target)[0].button, mouse::kRightDown);
  EXPECT_EQ(platform->windows->foreground(), target);
}

TEST_F(SimDesktopTest, InjectedEventsAreRecordedWithVirtualTime) {
  platform->input->sendKey('A', false);
  platform->clock->sleep(40);
  platform->input->sendKey('A', true);
  auto events = desktop->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].time, 0);
  EXPECT_EQ(events[1].time, 40);
  EXPECT_TRUE(events[1].up);
  EXPECT_TRUE(events[1].injected);
}

// A dry run that loops for ever keeps only its recent input.
TEST_F(SimDesktopTest, InputHistoryIsBoundedAndKeepsTheMostRecent) {
  WindowId target = editor();
  const std::size_t count = SimDesktop::kTypedLimit + 100;
  std::string last;
  for (std::size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>('a' + i % 26);
    platform->input->sendCharacter(c, false);
    platform->input->sendCharacter(c, true);
    if (i + 3 >= count) last += static_cast<char>(c);
  }
  auto events = desktop->events();
  EXPECT_LE(events.size(), SimDesktop::kHistoryLimit);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().character, static_cast<unsigned char>(last.back()));
  const std::string typed = desktop->typedText(target);
  EXPECT_LE(typed.size(), SimDesktop::kTypedLimit);
  EXPECT_TRUE(typed.ends_with(last)) << typed.substr(typed.size() - 10);
}

TEST_F(SimDesktopTest, RefusedInjectionsReportFailure) {
  desktop->refuseInjections(2);
  EXPECT_FALSE(platform->input->sendKey('A', false));
  EXPECT_FALSE(platform->input->sendMouse(mouse::kLeftDown));
  EXPECT_TRUE(platform->input->sendKey('A', false));
  EXPECT_EQ(desktop->events().size(), 1u);
}

TEST_F(SimDesktopTest, WatchSeesUserAndInjectedInputWithHookMessages) {
  std::vector<WatchedEvent> seen;
  auto subscription = platform->inputWatch->listen([&](const WatchedEvent& e) { seen.push_back(e); });
  desktop->userTap(vk::kEnd);
  platform->input->sendKey('A', false);
  desktop->userClick({5, 6});
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].message, watch::kKeyDown);
  EXPECT_EQ(seen[0].virtualKey, vk::kEnd);
  EXPECT_FALSE(seen[0].injected);
  EXPECT_EQ(seen[1].message, watch::kKeyUp);
  EXPECT_EQ(seen[1].flags & watch::kKeyReleased, watch::kKeyReleased);
  EXPECT_TRUE(seen[2].injected);
  EXPECT_EQ(seen[2].flags & watch::kKeyInjected, watch::kKeyInjected);
  EXPECT_EQ(seen[3].message, watch::kMouseMove);
  EXPECT_EQ(seen[4].message, watch::kLeftDown);
  EXPECT_EQ(seen[4].position, (Point{5, 6}));
  EXPECT_EQ(seen[5].message, watch::kLeftUp);
}

TEST_F(SimDesktopTest, EndedSubscriptionHearsNothing) {
  int count = 0;
  {
    auto subscription = platform->inputWatch->listen([&](const WatchedEvent&) { ++count; });
    desktop->userTap('A');
  }
  desktop->userTap('A');
  EXPECT_EQ(count, 2);
}

TEST_F(SimDesktopTest, SleepRunsScheduledActionsOnVirtualTime) {
  WindowId late = kNoWindow;
  desktop->after(2500, [&] {
    SimWindowSpec spec;
    spec.title = "Appears later";
    late = desktop->createWindow(spec);
  });
  int pumps = 0;
  platform->clock->sleep(2000, [&] { ++pumps; });
  EXPECT_EQ(pumps, 40);
  EXPECT_EQ(platform->windows->findWindow(std::nullopt, "Appears later"), kNoWindow);
  platform->clock->sleep(1000);
  EXPECT_EQ(platform->windows->findWindow(std::nullopt, "Appears later"), late);
  EXPECT_EQ(platform->clock->nowMs(), 3000);
}

TEST_F(SimDesktopTest, LocalTimeRunsWithVirtualTime) {
  desktop->setLocalTime({2024, 3, 1, 23, 59, 59, 500});
  platform->clock->sleep(600);
  LocalTime t = platform->clock->localTime();
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 100);
}

TEST_F(SimDesktopTest, CaptureComposesWindowsInStoredLayout) {
  desktop->paintDesktop(Rect::fromSize(0, 0, 800, 600), 0x000000);
  SimWindowSpec spec;
  spec.rect = Rect::fromSize(10, 10, 20, 20);
  spec.color = 0x102030;
  WindowId window = desktop->createWindow(spec);
  desktop->paintWindow(window, Rect::fromSize(0, 0, 1, 1), 0xAABBCC);
  auto picture = platform->capture->capture(Rect::fromSize(10, 10, 3, 2));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 3);
  EXPECT_EQ(picture->height, 2);
  EXPECT_EQ(picture->pixels.size(), 24u);
  const std::uint8_t* top = picture->rowFromTop(0);
  EXPECT_EQ(top[0], 0xCC);
  EXPECT_EQ(top[1], 0xBB);
  EXPECT_EQ(top[2], 0xAA);
  EXPECT_EQ(top[3], 0);
  EXPECT_EQ(picture->pixels[0], 0x30);  // bottom row comes first
  auto offScreen = platform->capture->capture(Rect::fromSize(-2, 0, 2, 1));
  ASSERT_TRUE(offScreen.has_value());
  EXPECT_EQ(offScreen->pixels[0], 0);
  EXPECT_FALSE(platform->capture->capture(Rect::fromSize(0, 0, 0, 5)).has_value());
}

TEST_F(SimDesktopTest, ClipboardStates) {
  EXPECT_FALSE(platform->clipboard->hasText());
  EXPECT_EQ(platform->clipboard->readText().state, ClipboardState::NoText);
  desktop->setClipboardOther();
  EXPECT_EQ(platform->clipboard->readText().state, ClipboardState::NoText);
  platform->clipboard->setText("abc");
  EXPECT_TRUE(platform->clipboard->hasText());
  EXPECT_EQ(platform->clipboard->readText().text, "abc");
  desktop->setClipboardBusy(true);
  EXPECT_FALSE(platform->clipboard->hasText());
  EXPECT_EQ(platform->clipboard->readText().state, ClipboardState::Busy);
  EXPECT_FALSE(platform->clipboard->setText("x"));
}

TEST_F(SimDesktopTest, ProcessesCommandsShellSoundsUser) {
  editor();
  auto names = platform->processes->runningExecutables();
  EXPECT_NE(std::find(names.begin(), names.end(), "editor"), names.end());
  desktop->onCommand([](std::string_view line, std::string_view) {
    return line == "fail" ? CommandResult{Outcome::failure("No such file", 2), std::nullopt}
                          : CommandResult{Outcome::success(), 3};
  });
  EXPECT_EQ(platform->processes->run("tool /x", "", true).exitCode, 3);
  EXPECT_FALSE(platform->processes->run("tool", "", false).exitCode.has_value());
  EXPECT_EQ(platform->processes->run("fail", "", true).status.code, 2);
  EXPECT_EQ(desktop->commands().size(), 3u);
  EXPECT_TRUE(platform->shell->open("report.htm"));
  EXPECT_EQ(desktop->openedTargets(), std::vector<std::string>{"report.htm"});
  platform->sound->beep(4000, 100);
  platform->sound->play(ProgramSound::Ok);
  EXPECT_EQ(desktop->beeps(), (std::vector<std::pair<int, int>>{{4000, 100}}));
  EXPECT_EQ(desktop->sounds(), std::vector<ProgramSound>{ProgramSound::Ok});
  EXPECT_EQ(platform->user->userName(), "simuser");
}

TEST_F(SimDesktopTest, SettingsWriteBackDefaults) {
  EXPECT_EQ(platform->settings->profileInt("Playback", "WaitIfWindowNotResponding", 15000), 15000);
  EXPECT_EQ(platform->settings->readString("Playback", "WaitIfWindowNotResponding"), "15000");
  desktop->machineValues()["ATT1"] = "250";
  desktop->machineValues()["ATT2"] = "seven";
  EXPECT_EQ(platform->settings->machineInt("ATT1", 100), 250);
  EXPECT_EQ(platform->settings->machineInt("ATT2", 7000), 7000);
  EXPECT_EQ(platform->settings->machineText("POST_TXT_OK", ""), "");
}

}  // namespace
}  // namespace qlm
