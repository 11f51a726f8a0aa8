#include <gtest/gtest.h>

#include "PlaybackFixture.h"
#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

using Keys = std::vector<std::tuple<std::int64_t, int, bool>>;

class InjectionTest : public testing::PlaybackTest {
 protected:
  InjectionTest() { editor = window("Notepad", "notes.txt"); }

  void speeds(int keyDelay, int mouseDelay, int keyMode = 0) {
    doc.setVariableNumber("$QLM_KEY_SPEED", keyDelay);
    doc.setVariableNumber("$QLM_MOUSE_SPEED", mouseDelay);
    doc.setVariableNumber("$QLM_KEY_MODE", keyMode);
  }

  std::vector<SimEvent> ofKind(SimEventKind kind) const {
    std::vector<SimEvent> result;
    for (const SimEvent& e : injected()) {
      if (e.kind == kind) result.push_back(e);
    }
    return result;
  }

  // (time, key, up) of the injected key events.
  Keys keys() const {
    Keys result;
    for (const SimEvent& e : ofKind(SimEventKind::Key)) result.emplace_back(e.time, e.virtualKey, e.up);
    return result;
  }

  WindowId editor = kNoWindow;
  RecordTarget record{"Notepad", "notes.txt", {10, 20}};
};

struct TimingCase {
  const char* text;
  int keyDelay;  // -1: the document's default
  Keys keys;
  std::int64_t end;
};

void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.text << " at key delay " << c.keyDelay; }

class KeyTiming : public InjectionTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(KeyTiming, FollowsTheKeyDelayWithEdgeWaitsOfAtLeastTwenty) {
  const TimingCase& c = GetParam();
  if (c.keyDelay >= 0) speeds(c.keyDelay, 0);
  ASSERT_TRUE(injection.sendText(c.text, record));
  EXPECT_EQ(keys(), c.keys);
  EXPECT_EQ(desktop->now(), c.end);
}

// d + 2 * max(d / 2, 20) per character, 3 * d + 60 per notation tap; the default d is 40.
INSTANTIATE_TEST_SUITE_P(
    Texts, KeyTiming,
    ::testing::Values(TimingCase{"a", -1, {{40, 'A', false}, {60, 'A', true}}, 80},
                      TimingCase{"A", -1, {{40, vk::kShift, false}, {60, 'A', false}, {80, 'A', true},
                                           {100, vk::kShift, true}}, 120},
                      TimingCase{"ab", 0, {{20, 'A', false}, {20, 'A', true}, {60, 'B', false},
                                           {60, 'B', true}}, 80},
                      TimingCase{"V[RETURN]", -1, {{70, vk::kReturn, false}, {160, vk::kReturn, true}}, 180}));

TEST_F(InjectionTest, PressAndReleaseNotationsAreSeparate) {
  ASSERT_TRUE(injection.sendText("\\[CTRL]", record));
  EXPECT_TRUE(desktop->isKeyDown(vk::kControl));
  ASSERT_TRUE(injection.sendText("/[CTRL]/[RETURN]", record));
  EXPECT_FALSE(desktop->isKeyDown(vk::kControl));
  EXPECT_EQ(desktop->typedText(editor), "/[RETURN]");  // Return has no release entry
}

TEST_F(InjectionTest, CharacterWithoutKeyIsTypedThroughALentKeyAndTheEndKeyStopsTypingBetweenCharacters) {
  ASSERT_TRUE(injection.sendText("\xEA", record));  // ê is not on the US layout
  auto chars = ofKind(SimEventKind::Character);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(std::tuple(chars[0].time, chars[1].time, desktop->now()), std::tuple(40, 60, 80));
  desktop->after(100, [this] { doc.flags().endKey = true; });
  EXPECT_FALSE(injection.sendText("abcdef", record));
  EXPECT_EQ(desktop->typedText(editor), "\xEA" "ab");
}

TEST_F(InjectionTest, KeyModeOneTypesTwoCharactersAndPastesThree) {
  speeds(40, 40, 1);
  ASSERT_TRUE(injection.sendText("ab", record));
  EXPECT_FALSE(desktop->clipboardText().has_value());
  desktop->clearEvents();
  std::int64_t start = desktop->now();
  ASSERT_TRUE(injection.sendText("abc", record));
  EXPECT_EQ(desktop->clipboardText(), "abc");
  EXPECT_EQ(keys(), (Keys{{start + 70, vk::kControl, false}, {start + 110, 'V', false}, {start + 130, 'V', true},
                          {start + 220, vk::kControl, true}}));
  EXPECT_EQ(desktop->now(), start + 70 + 80 + 70);  // Ctrl, then v as a character, then Ctrl
  EXPECT_EQ(desktop->typedText(editor), "ababc");
  doc.setVariable("$QLM_KEY_MODE", "4294967297");  // no int: never wraps round to mode 1
  ASSERT_TRUE(injection.sendText("xyz", record));
  EXPECT_EQ(desktop->clipboardText(), "abc");
  doc.setVariableNumber("$QLM_KEY_MODE", 1);  // a notation first hands over what is pending
  ASSERT_TRUE(injection.sendText("abcdV[TAB]xyz", record));
  EXPECT_EQ(desktop->typedText(editor), "ababcxyzabcd\txyz");
  EXPECT_EQ(desktop->clipboardText(), "xyz");
}

TEST_F(InjectionTest, LongTextIsPastedBeforeThePendingBufferOverflowsAndABusyClipboardFallsBackToTyping) {
  speeds(0, 0, 1);
  std::string text(2500, 'x');
  ASSERT_TRUE(injection.sendText(text, record));
  int pastes = 0;
  for (const auto& [time, key, up] : keys()) pastes += key == vk::kControl && !up;
  EXPECT_EQ(pastes, 3);
  EXPECT_EQ(desktop->typedText(editor), text);
  speeds(40, 40, 1);  // a busy clipboard falls back to typing
  desktop->setClipboardBusy(true);
  const std::int64_t start = desktop->now();
  ASSERT_TRUE(injection.sendText("abc", record));
  EXPECT_EQ(desktop->typedText(editor), text + "abc");
  EXPECT_EQ(desktop->now() - start, 3 * 80);
}

TEST_F(InjectionTest, ClickMovesInTwentyOneStepsThenPressesAndReleases) {
  ASSERT_TRUE(injection.sendText("V[LBUTTON]", record));
  auto placed = ofKind(SimEventKind::PointerPlaced);
  ASSERT_EQ(placed.size(), 21u);
  EXPECT_EQ(std::tuple(placed[0].position, placed[10].position, placed[20].position, placed[20].time),
            std::tuple(Point{0, 0}, Point{55, 60}, Point{110, 120}, 800));
  std::vector<std::pair<std::int64_t, int>> mouse;
  for (const SimEvent& e : ofKind(SimEventKind::Mouse)) mouse.emplace_back(e.time, e.mouseFlags);
  ASSERT_EQ(mouse.size(), 21u + 3u);
  EXPECT_EQ(std::vector(mouse.begin() + 21, mouse.end()),
            (std::vector<std::pair<std::int64_t, int>>{
                {21 * 40, mouse::kLeftDown}, {21 * 40 + 20, mouse::kLeftUp}, {21 * 40 + 40, mouse::kMove}}));
  EXPECT_EQ(desktop->now(), 21 * 40 + 60);
  EXPECT_EQ(syntheticPointer, 21 * 2 + 3);
  ASSERT_EQ(desktop->clicks(editor).size(), 1u);
  EXPECT_EQ(desktop->clicks(editor)[0].position, (Point{10, 20}));
}

TEST_F(InjectionTest, ClickCloseToThePointerMakesNoSteps) {
  platform->input->setPointerPosition({108, 118});
  desktop->clearEvents();
  ASSERT_TRUE(injection.sendText("\\[RBUTTON]", record));
  std::vector<std::pair<std::int64_t, int>> events;
  for (const SimEvent& e : injected()) events.emplace_back(e.time, e.kind == SimEventKind::Mouse ? e.mouseFlags : -1);
  EXPECT_EQ(events, (std::vector<std::pair<std::int64_t, int>>{{40, -1}, {40, mouse::kRightDown}, {60, mouse::kMove}}));
  EXPECT_EQ(desktop->now(), 40 + 20 + 20);
}

TEST_F(InjectionTest, FoundClickPointWinsOverTheRecordedOneAndAWholeScreenRecordClicksOnTheScreen) {
  doc.foundClickPoint() = {300, 250};
  ASSERT_TRUE(injection.sendText("V[LBUTTON]", record));
  EXPECT_EQ(desktop->pointer(), (Point{300, 250}));
  EXPECT_EQ(desktop->clicks(editor)[0].position, (Point{200, 150}));
  doc.foundClickPoint() = {-1, -1};
  ASSERT_TRUE(injection.sendText("V[LBUTTON]", RecordTarget{"", "-screen", {150, 160}}));
  EXPECT_EQ(desktop->pointer(), (Point{150, 160}));
}

TEST_F(InjectionTest, RefusedEventIsRetriedEveryThirtyMillisecondsUpToAHundredTimes) {
  desktop->refuseInjections(3);
  ASSERT_TRUE(injection.sendText("a", record));
  EXPECT_EQ(keys(), (Keys{{40 + 3 * 30, 'A', false}, {40 + 3 * 30 + 20, 'A', true}}));
  EXPECT_TRUE(ui.messages().empty());
  desktop->clearEvents();
  desktop->refuseInjections(1000);
  const std::int64_t start = desktop->now();
  EXPECT_FALSE(injection.sendText("abc", record));
  EXPECT_TRUE(keys().empty());
  EXPECT_EQ(lastMessage(), "Input refused: the desktop did not accept a key event after 100 attempts.");
  EXPECT_TRUE(doc.stopRequested());
  // The rest of the character and of the text is dropped at once.
  EXPECT_EQ(desktop->now() - start, 40 + 99 * 30);
}

TEST_F(InjectionTest, ReleaseModifiersLetsGoOfHeldKeysClosesTheMenuAndTurnsCapsLockOff) {
  injection.releaseModifiers();
  EXPECT_TRUE(keys().empty());
  for (int key : {vk::kShift, vk::kControl, vk::kMenu, vk::kLWin}) desktop->userKey(key, false);
  injection.releaseModifiers();
  desktop->userTap(vk::kCapital);
  injection.releaseModifiers();
  EXPECT_EQ(keys(), (Keys{{30, vk::kMenu, true}, {60, vk::kShift, true}, {90, vk::kControl, true},
                          {120, vk::kLWin, true}, {150, vk::kEscape, false}, {180, vk::kEscape, true},
                          {210, vk::kCapital, false}, {240, vk::kCapital, true}}));
  EXPECT_FALSE(desktop->isCapsLockOn());
}

TEST_F(InjectionTest, VerboseClickShowsItsNoteAndLooksForTheTargetAgain) {
  std::vector<std::pair<std::string, Rect>> opened;
  int closed = 0;
  Injection verbose(doc, *platform, selector,
                    InjectionHooks{{}, [&](const std::string& text, const Rect& area) { opened.emplace_back(text, area); },
                                   [&] { ++closed; }, {}, {}});
  doc.traceSettings().verboseLevel = 1;
  desktop->advance(500);
  window("Other", "other");
  ASSERT_TRUE(verbose.sendText("V[LBUTTON]", record));
  EXPECT_EQ(opened, (std::vector<std::pair<std::string, Rect>>{{"V[LBUTTON] (110,120)", Rect{90, 100, 360, 200}}}));
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(desktop->foregroundWindow(), editor);  // "AppWait2" brought the record's window back
  EXPECT_EQ(desktop->clicks(editor).size(), 1u);
}

}  // namespace
}  // namespace qlm
