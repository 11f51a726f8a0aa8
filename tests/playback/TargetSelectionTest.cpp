#include <gtest/gtest.h>

#include "PlaybackFixture.h"

namespace qlm {
namespace {

struct MatchCase {
  const char* pattern;
  const char* title;
  bool matches;
};

// Stars over a long title must not take exponential time.
const char* const kLongTitle =
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";

class TitleMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(TitleMatch, FollowsTheWildcardRules) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(titleMatches(c.pattern, c.title), c.matches) << c.pattern << " against " << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, TitleMatch,
    ::testing::Values(MatchCase{"*b", "b", false}, MatchCase{"*b", "ab", true}, MatchCase{"a*", "a", true},
                      MatchCase{"a*", "ab", true}, MatchCase{"?x", "ax", true}, MatchCase{"?x", "x", false},
                      MatchCase{"abc", "abc", true}, MatchCase{"abc", "abcd", false}, MatchCase{"abc", "Abc", false},
                      MatchCase{"*", "", true}, MatchCase{"*", "anything", true},
                      MatchCase{"* - Editor", "notes.txt - Editor", true},
                      MatchCase{"* - Editor", "notes.txt - Editor (2)", false},
                      MatchCase{"user@host: *", "user@host: ~/src", true},
                      MatchCase{"*a*a*a*a*a*b", kLongTitle, false}));

using TargetSelectionTest = testing::PlaybackTest;

enum class Arrange { Nothing, LateWindow, EndKey, RefusesActivation };

struct LookupCase {
  const char* name;
  Arrange arrange;
  bool classAndTitle;
  const char* className;
  const char* title;
  bool quiet;
  int waitMs;
  bool found;
  const char* foreground;  // title of the foreground window afterwards
  int matchKind;
  std::int64_t tookMs;
  const char* message;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class Lookup : public testing::PlaybackTest, public ::testing::WithParamInterface<LookupCase> {};

// The desktop: the editor, a terminal among terminals of another class, then
// "other" in front of them.
TEST_P(Lookup, FindsTheWindowInTimeOrSaysWhy) {
  const LookupCase& c = GetParam();
  WindowId editor = kNoWindow;
  if (c.arrange == Arrange::LateWindow) {
    desktop->after(1250, [this] { window("Notepad", "notes.txt - Editor"); });
  } else {
    editor = window("Notepad", "notes.txt - Editor");
  }
  window("Terminal", "user@host: ~/a");
  window("XTerm", "user@host: ~/b");
  window("Terminal", "user@host: ~/c");
  window("Other", "other");
  if (c.arrange == Arrange::EndKey) desktop->after(450, [this] { doc.flags().endKey = true; });
  if (c.arrange == Arrange::RefusesActivation) desktop->refuseActivation(editor, true);
  doc.settings().selectEither = !c.classAndTitle;
  EXPECT_EQ(selector.findWindowLike(c.className, c.title, c.quiet, c.waitMs, true, "AppWait"), c.found);
  EXPECT_EQ(platform->windows->title(desktop->foregroundWindow()), c.foreground);
  EXPECT_EQ(selector.lastLookup().matchKind, c.matchKind);
  EXPECT_EQ(desktop->now(), c.tookMs);
  EXPECT_EQ(lastMessage(), c.message);
  EXPECT_EQ(doc.stopRequested(), *c.message != 0);
  EXPECT_EQ(lookupFailures, *c.message != 0 && c.arrange == Arrange::Nothing ? 1 : 0);
}


INSTANTIATE_TEST_SUITE_P(
    Desktops, Lookup,
    ::testing::Values(
        LookupCase{"Exact", Arrange::Nothing, false, "Notepad", "notes.txt - Editor", false, 3000, true,
                   "notes.txt - Editor", kMatchByClassAndTitle, 0, ""},
        LookupCase{"EitherByTitle", Arrange::Nothing, false, "Wrong", "notes.txt - Editor", false, 3000, true,
                   "notes.txt - Editor", kMatchByTitle, 0, ""},
        LookupCase{"EitherByClass", Arrange::Nothing, false, "Notepad", "changed", false, 3000, true, "notes.txt - Editor",
                   kMatchByClass, 0, ""},
        LookupCase{"LateWindow", Arrange::LateWindow, false, "Notepad", "notes.txt - Editor", false, 3000, true,
                   "notes.txt - Editor", kMatchByClassAndTitle, 1300, ""},
        LookupCase{"Quiet", Arrange::Nothing, false, "Gedit", "notes.txt", true, 500, false, "other", kMatchNotFound, 500,
                   ""},
        LookupCase{"EndKeyCutsItShort", Arrange::EndKey, false, "Gedit", "notes.txt", false, 3000, false, "other",
                   kMatchNotFound, 500, ""},
        LookupCase{"WholeScreenNeverWaits", Arrange::Nothing, false, "Notepad", "-screen", false, 3000, true, "other",
                   kMatchNoLookup, 0, ""},
        LookupCase{"WildcardWithEmptyClassByTitle", Arrange::Nothing, false, "", "* - Editor", false, 3000, true,
                   "notes.txt - Editor", kMatchByTitle, 0, ""},
        LookupCase{"EmptyTitleIsTheStar", Arrange::Nothing, false, "Whatever", "", false, 3000, true, "other",
                   kMatchByTitle, 0, ""},
        LookupCase{"WildcardSkipsTheWrongClass", Arrange::Nothing, true, "XTerm", "user@host: *", false, 3000, true,
                   "user@host: ~/b", kMatchByClassAndTitle, 0, ""},
        LookupCase{"WildcardFails", Arrange::Nothing, false, "XTerm", "nobody@host: *", false, 1000, false, "other",
                   kMatchNoLookup, 1000, "Cannot find Window: \nTitle='nobody@host: *'\nApplication:'XTerm'"},
        LookupCase{"CannotBeBroughtForward", Arrange::RefusesActivation, false, "Notepad", "notes.txt - Editor", false,
                   3000, false, "other", kMatchNotFound, 3000,
                   "Cannot find Window: \nTitle='notes.txt - Editor'\nApplication:'Notepad'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TargetSelectionTest, MinimisedTargetIsRestoredAndItsDialogComesForward) {
  WindowId editor = window("Notepad", "notes.txt");
  SimWindowSpec dialog;
  dialog.className = "Dialog";
  dialog.title = "Save as";
  dialog.owner = editor;
  WindowId popup = desktop->createWindow(dialog);
  window("Other", "other");
  desktop->setMinimized(editor, true);
  EXPECT_TRUE(selector.raiseTarget("Notepad", "notes.txt", true));
  EXPECT_FALSE(desktop->isMinimized(editor));
  EXPECT_EQ(desktop->foregroundWindow(), popup);
}

struct SelectionCase {
  bool either, byClass, byTitle;
  const char* className;
  const char* title;
  bool found;
  int matchKind;
  const char* failure;
};

class SelectionFlags : public testing::PlaybackTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionFlags, DecideWhatMustMatch) {
  const SelectionCase& c = GetParam();
  window("Notepad", "notes.txt");
  doc.settings().selectEither = c.either;
  doc.settings().selectByClass = c.byClass;
  doc.settings().selectByTitle = c.byTitle;
  EXPECT_EQ(selector.findWindowLike(c.className, c.title, false, 0, true, "AppWait"), c.found);
  EXPECT_EQ(selector.lastLookup().matchKind, c.matchKind);
  EXPECT_EQ(lastMessage(), c.failure);
  EXPECT_EQ(doc.stopRequested(), !c.found);
}

INSTANTIATE_TEST_SUITE_P(
    AppForegroundModes, SelectionFlags,
    ::testing::Values(
        SelectionCase{false, true, true, "Notepad", "notes.txt", true, kMatchByClassAndTitle, ""},
        SelectionCase{false, true, true, "Wrong", "notes.txt", false, kMatchNotFound, "Window and Title not found."},
        SelectionCase{false, false, true, "Wrong", "notes.txt", true, kMatchByTitle, ""},
        SelectionCase{false, false, true, "Notepad", "other", false, kMatchNotFound, "Title not found"},
        SelectionCase{false, true, false, "Notepad", "other", true, kMatchByClass, ""},
        SelectionCase{false, true, false, "Wrong", "notes.txt", false, kMatchNotFound, "Window not found"},
        SelectionCase{true, true, true, "Wrong", "other", false, kMatchNotFound,
                      "Cannot find Window: \nTitle='other'\nApplication:'Wrong'"}));

TEST_F(TargetSelectionTest, MissingWindowFailsAfterTheWindowWaitWithProgressInTheTitle) {
  ui.setMainWindowTitle("Quillmote - [demo.qlm] playing");
  EXPECT_FALSE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  EXPECT_EQ(desktop->now(), 3000);  // 31 attempts, 100 ms apart
  EXPECT_EQ(lastMessage(), "Cannot find Window: \nTitle='notes.txt'\nApplication:'Notepad'");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.raisedCount(), 1);
  const auto& titles = ui.titles();
  ASSERT_GE(titles.size(), 3u);
  EXPECT_EQ(titles[1], "AppWait 1/3");
  EXPECT_EQ(titles[titles.size() - 2], "AppWait 3/3");
  EXPECT_EQ(titles.back(), "Quillmote - [demo.qlm]");
}

TEST_F(TargetSelectionTest, ForegroundModeZeroNeverLooks) {
  WindowId other = window("Other", "other");
  doc.settings().foregroundMode = 0;
  EXPECT_TRUE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  EXPECT_EQ(selector.lastLookup().targetClass, "ACTIVE APPS");
  EXPECT_EQ(selector.lastLookup().targetTitle, "ACTIVE WINDOW");
  EXPECT_EQ(desktop->foregroundWindow(), other);
  EXPECT_EQ(desktop->now(), 0);
  EXPECT_TRUE(notes.empty());
}

TEST_F(TargetSelectionTest, HungWindowIsWaitedForWithNotesOnlyWhenBroughtForward) {
  WindowId editor = window("Notepad", "notes.txt");
  desktop->setHung(editor, true);
  EXPECT_TRUE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, false, "AppWait"));
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  EXPECT_EQ(notes, (std::vector<std::string>{"Not responding: 3/3", "Not responding: 2/3", "Not responding: 1/3"}));
  EXPECT_EQ(desktop->now(), 3 * (30 + 1000));  // the first lookup waited for nothing
}

TEST_F(TargetSelectionTest, NotRespondingCheckEndsWhenTheWindowAnswers) {
  WindowId editor = window("Notepad", "notes.txt");
  desktop->setHung(editor, true);
  desktop->after(1500, [&] { desktop->setHung(editor, false); });
  EXPECT_TRUE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(desktop->now(), 2 * (30 + 1000));
}

struct ResizeCase {
  int mode;
  bool sizeValid;
  Rect expected;
  const char* title = "notes.txt";
};

void PrintTo(const ResizeCase& c, std::ostream* os) { *os << "mode " << c.mode << " " << c.title; }

class ResizeModes : public testing::PlaybackTest, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(ResizeModes, PlaceTheForegroundWindow) {
  const ResizeCase& c = GetParam();
  WindowId editor = window("Notepad", "notes.txt");
  doc.settings().resizeMode = c.mode;
  doc.settings().resizeWidth = 300;
  doc.settings().resizeHeight = 200;
  doc.settings().resizeX = 40;
  doc.settings().resizeY = 50;
  RecordTarget record{"Notepad", c.title, {}, c.sizeValid, 640, 480, 600, 400};
  selector.applyResize(record);
  EXPECT_EQ(desktop->windowRect(editor), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResizeModes,
                         ::testing::Values(ResizeCase{0, true, Rect::fromSize(100, 100, 400, 300)},
                                           ResizeCase{1, true, Rect::fromSize(0, 0, 640, 480)},
                                           ResizeCase{1, false, Rect::fromSize(0, 0, 600, 400)},
                                           ResizeCase{2, true, Rect::fromSize(0, 0, 1024, 768)},
                                           ResizeCase{3, true, Rect::fromSize(0, 0, 300, 200)},
                                           ResizeCase{4, true, Rect::fromSize(40, 50, 300, 200)},
                                           ResizeCase{2, true, Rect::fromSize(100, 100, 400, 300), "-screen"}));

TEST_F(TargetSelectionTest, TargetThatDisappearsDuringTheNotRespondingWaitStopsAtOnce) {
  WindowId editor = window("Notepad", "notes.txt");
  window("Notepad", "other");
  desktop->setHung(editor, true);
  desktop->after(1500, [&] { desktop->closeWindow(editor); });
  EXPECT_FALSE(selector.findWindowLike("Notepad", "notes.txt", false, 3000, true, "AppWait"));
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(lastMessage(), "The target window disappeared: \nTitle='notes.txt'\nApplication:'Notepad'");
  EXPECT_TRUE(doc.stopRequested());
}

}  // namespace
}  // namespace qlm
