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

constexpr const char* kEditor = "notes.txt - Editor";

struct LookupCase {
  const char* name;
  const char* className;
  const char* title;
  bool found;
  const char* foreground;  // title of the foreground window afterwards
  int matchKind;
  std::int64_t tookMs = 0;
  const char* message = "";
  Arrange arrange = Arrange::Nothing;
  int waitMs = 3000;
  bool quiet = false;
  bool classAndTitle = false;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class Lookup : public testing::PlaybackTest, public ::testing::WithParamInterface<LookupCase> {};

// The desktop: the editor, a terminal among terminals of another class, then
// "other" in front of them.
TEST_P(Lookup, FindsTheWindowInTimeOrSaysWhy) {
  const LookupCase& c = GetParam();
  WindowId editor = kNoWindow;
  if (c.arrange == Arrange::LateWindow) {
    desktop->after(1250, [this] { window("Notepad", kEditor); });
  } else {
    editor = window("Notepad", kEditor);
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
  EXPECT_EQ(std::pair(selector.lastLookup().matchKind, desktop->now()), std::pair(c.matchKind, c.tookMs));
  EXPECT_EQ(lastMessage(), c.message);
  EXPECT_EQ(doc.stopRequested(), *c.message != 0);
  EXPECT_EQ(lookupFailures, *c.message != 0 && c.arrange == Arrange::Nothing ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, Lookup,
    ::testing::Values(
        LookupCase{"Exact", "Notepad", kEditor, true, kEditor, kMatchByClassAndTitle},
        LookupCase{"EitherByTitle", "Wrong", kEditor, true, kEditor, kMatchByTitle},
        LookupCase{"EitherByClass", "Notepad", "changed", true, kEditor, kMatchByClass},
        LookupCase{"LateWindow", "Notepad", kEditor, true, kEditor, kMatchByClassAndTitle, 1300, "",
                   Arrange::LateWindow},
        LookupCase{"Quiet", "Gedit", "notes.txt", false, "other", kMatchNotFound, 500, "", Arrange::Nothing, 500, true},
        LookupCase{"EndKeyCutsItShort", "Gedit", "notes.txt", false, "other", kMatchNotFound, 500, "", Arrange::EndKey},
        LookupCase{"WholeScreenNeverWaits", "Notepad", "-screen", true, "other", kMatchNoLookup},
        LookupCase{"WildcardWithEmptyClassByTitle", "", "* - Editor", true, kEditor, kMatchByTitle},
        LookupCase{"EmptyTitleIsTheStar", "Whatever", "", true, "other", kMatchByTitle},
        LookupCase{"WildcardSkipsTheWrongClass", "XTerm", "user@host: *", true, "user@host: ~/b", kMatchByClassAndTitle,
                   0, "", Arrange::Nothing, 3000, false, true},
        LookupCase{"WildcardFails", "XTerm", "nobody@host: *", false, "other", kMatchNoLookup, 1000,
                   "Cannot find Window: \nTitle='nobody@host: *'\nApplication:'XTerm'", Arrange::Nothing, 1000},
        LookupCase{"CannotBeBroughtForward", "Notepad", kEditor, false, "other", kMatchNotFound, 3000,
                   "Cannot find Window: \nTitle='notes.txt - Editor'\nApplication:'Notepad'",
                   Arrange::RefusesActivation}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TargetSelectionTest, MinimisedTargetIsRestoredAndItsDialogComesForward) {
  WindowId editor = window("Notepad", "notes.txt");
  WindowId popup = desktop->createWindow({.className = "Dialog", .title = "Save as", .owner = editor});
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
  const bool found = selector.findWindowLike(c.className, c.title, false, 0, true, "AppWait");
  EXPECT_EQ(std::tuple(found, selector.lastLookup().matchKind, lastMessage()),
            std::tuple(c.found, c.matchKind, std::string(c.failure)));
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
  EXPECT_EQ(selector.lastLookup().targetClass + "|" + selector.lastLookup().targetTitle, "ACTIVE APPS|ACTIVE WINDOW");
  EXPECT_EQ(desktop->foregroundWindow(), other);
  EXPECT_EQ(desktop->now(), 0);
  EXPECT_TRUE(notes.empty());
}

TEST_F(TargetSelectionTest, HungWindowIsWaitedForWithNotesWhenBroughtForwardUntilItAnswersOrDisappears) {
  WindowId editor = window("Notepad", "notes.txt");
  window("Notepad", "other");
  desktop->setHung(editor, true);
  auto find = [this](bool bringForward) {
    return selector.findWindowLike("Notepad", "notes.txt", false, 3000, bringForward, "AppWait");
  };
  EXPECT_TRUE(find(false));
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(find(true));
  EXPECT_EQ(notes, (std::vector<std::string>{"Not responding: 3/3", "Not responding: 2/3", "Not responding: 1/3"}));
  EXPECT_EQ(desktop->now(), 3 * (30 + 1000));  // the first lookup waited for nothing
  notes.clear();
  desktop->after(1500, [&] { desktop->setHung(editor, false); });
  EXPECT_TRUE(find(true));
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(desktop->now(), 5 * (30 + 1000));
  notes.clear();
  desktop->setHung(editor, true);
  desktop->after(1500, [&] { desktop->closeWindow(editor); });
  EXPECT_FALSE(find(true));
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(lastMessage(), "The target window disappeared: \nTitle='notes.txt'\nApplication:'Notepad'");
  EXPECT_TRUE(doc.stopRequested());
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

INSTANTIATE_TEST_SUITE_P(
    Modes, ResizeModes,
    ::testing::Values(ResizeCase{0, true, Rect::fromSize(100, 100, 400, 300)},
                      ResizeCase{1, true, Rect::fromSize(0, 0, 640, 480)},
                      ResizeCase{1, false, Rect::fromSize(0, 0, 600, 400)},
                      ResizeCase{2, true, Rect::fromSize(0, 0, 1024, 768)},
                      ResizeCase{3, true, Rect::fromSize(0, 0, 300, 200)},
                      ResizeCase{4, true, Rect::fromSize(40, 50, 300, 200)},
                      ResizeCase{2, true, Rect::fromSize(100, 100, 400, 300), "-screen"}));

}  // namespace
}  // namespace qlm
