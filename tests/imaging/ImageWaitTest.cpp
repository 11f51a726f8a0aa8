#include <gtest/gtest.h>

#include "DesktopDocument.h"
#include "playback/ImageWait.h"

namespace qlm {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

class ImageWaitTest : public testing::DesktopDocumentTest {
 protected:
  // A red box with a blue heart, or in grey tones light on dark when inverted.
  void paintPattern(WindowId window, int x, int y, bool inverted = false) {
    desktop->paintWindow(window, Rect::fromSize(x, y, 20, 12), inverted ? 0xE0E0E0 : 0xC02020);
    desktop->paintWindow(window, Rect::fromSize(x + 6, y + 4, 8, 4), inverted ? 0x101010 : 0x2020C0);
  }
  void paintGreyPattern(WindowId window, int x, int y, bool inverted) {
    desktop->paintWindow(window, Rect::fromSize(x - 2, y - 2, 24, 16), inverted ? kBlack : kWhite);
    desktop->paintWindow(window, Rect::fromSize(x, y, 20, 12), inverted ? kWhite : kBlack);
  }
  void clear(WindowId window) { desktop->paintWindow(window, Rect::fromSize(0, 0, 160, 120), kWhite); }

  // One record whose image area frames the pattern painted at (30, 40).
  WindowId recordPattern(std::string instruction, int level = 3, bool grey = false) {
    const Rect rect = Rect::fromSize(100, 100, 160, 120);
    WindowId window = paintedWindow(rect);
    grey ? paintGreyPattern(window, 30, 40, false) : paintPattern(window, 30, 40);
    testing::RecordSpec spec;
    spec.instruction = std::move(instruction);
    spec.imageArea = {28, 38, 52, 54};
    spec.click = {40, 45};
    spec.conditionLevel = level;
    spec.clickFlag = 2;
    addRecord(spec, *desktop->capture(rect));
    loadAtFirstRecord();
    return window;
  }
};

TEST_F(ImageWaitTest, FindsTheAreaAfterTheWindowMovedAndClicksWhereTheRecordedClickLies) {
  WindowId window = recordPattern(R"(IfImage(3,"V[LBUTTON]",""))");
  desktop->moveWindow(window, Rect::fromSize(300, 200, 160, 120));
  clear(window);
  desktop->after(400, [&] { paintPattern(window, 90, 70); });
  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_GE(desktop->now(), 400);
  EXPECT_EQ(doc.foundPosition(), (Point{88, 68}));
  EXPECT_EQ(doc.foundClickPoint(), (Point{300 + 88 + 12, 200 + 68 + 7}));
  std::vector<SimClick> clicks = desktop->clicks(window);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].position, (Point{100, 75}));
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(ImageWaitTest, NotFoundWithinTheLimitRunsTheOtherBranchWithEveryPositionAtMinusTwo) {
  WindowId window = recordPattern("");
  clear(window);
  ui.setMainWindowTitle("Quillmote - [doc.qlm]");
  EXPECT_EQ(evaluate(R"(IfImage(1,"yes","no"))").text, "no");
  // Whole seconds of the calendar clock: the search ends once two have passed.
  EXPECT_EQ(desktop->now(), 2000);
  EXPECT_EQ(doc.foundPosition(), (Point{-2, -2}));
  EXPECT_EQ(doc.foundClickPoint(), (Point{-2, -2}));
  EXPECT_FALSE(doc.stopRequested());
  ASSERT_FALSE(events.events().empty());
  EXPECT_EQ(events.events().back().description, "IfImage(), Execution of instruction:");
  EXPECT_EQ(events.events().back().text, "\"no\"");
  EXPECT_EQ(ui.flashCount(), 0);  // limits 0 to 2 show no progress
  EXPECT_EQ(ui.mainWindowTitle(), "Quillmote - [doc.qlm]");
}

TEST_F(ImageWaitTest, LongSearchesShowTheirProgressAndFlashTheTaskbarButton) {
  WindowId window = recordPattern("");
  clear(window);
  ui.setMainWindowTitle("Quillmote - [doc.qlm] more");
  desktop->after(1500, [&] { paintPattern(window, 5, 5); });
  EXPECT_EQ(evaluate(R"(IfImage(3,"yes","no"))").text, "yes");
  EXPECT_EQ(ui.titles()[1], "IfImage 0/3");
  EXPECT_EQ(ui.titles()[ui.titles().size() - 2], "IfImage 1/3");
  EXPECT_EQ(ui.mainWindowTitle(), "Quillmote - [doc.qlm]");
  EXPECT_EQ(ui.flashCount(), static_cast<int>(ui.titles().size()) - 2);
  EXPECT_EQ(doc.foundPosition(), (Point{3, 3}));
}

TEST_F(ImageWaitTest, TheEndKeyStopsTheSearchAndNeitherBranchRuns) {
  WindowId window = recordPattern("");
  clear(window);
  desktop->after(300, [&] { doc.flags().endKey = true; });
  EXPECT_EQ(evaluate(R"(IfImage(10,"yes","no"))").text, "");
  EXPECT_LE(desktop->now(), 301);
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(doc.foundClickPoint(), (Point{-2, -2}));
  for (const TraceEvent& event : events.events()) EXPECT_EQ(event.description.find("Execution"), std::string::npos);
}

TEST_F(ImageWaitTest, ShapeFindsAnInvertedRenderingThatImageMisses) {
  WindowId window = recordPattern("", 2, true);
  clear(window);
  paintGreyPattern(window, 60, 50, true);
  EXPECT_EQ(evaluate(R"(IfImage(0,"yes","no"))").text, "no");
  EXPECT_EQ(evaluate(R"(IfShape(0,"yes","no"))").text, "yes");
  EXPECT_EQ(doc.foundPosition(), (Point{58, 48}));
  EXPECT_EQ(events.events().back().description, "IfShape(), Execution of instruction:");
}

TEST_F(ImageWaitTest, WithoutARecordBeingPlayedTheUserIsToldAndNothingIsFound) {
  recordPattern("");
  doc.records().setCurrentRecord(-1);
  EXPECT_EQ(evaluate(R"(IfImage(5,"yes","no"))").text, "no");
  EXPECT_EQ(desktop->now(), 0);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_NE(ui.messages()[0].find("no record is being played"), std::string::npos);
}

TEST(CalendarSeconds, CountsFromTheEpochAcrossMonthsAndLeapDays) {
  EXPECT_EQ(calendarSeconds({1970, 1, 1, 0, 0, 0, 0}), 0);
  EXPECT_EQ(calendarSeconds({2000, 3, 1, 0, 0, 0, 0}), 951868800);
  EXPECT_EQ(calendarSeconds({2024, 12, 31, 23, 59, 59, 999}) + 1, calendarSeconds({2025, 1, 1, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace qlm
