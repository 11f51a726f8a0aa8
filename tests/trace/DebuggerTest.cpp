#include "trace/Debugger.h"

#include <gtest/gtest.h>

#include <functional>

#include "../imaging/DesktopDocument.h"
#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

constexpr TraceStep kBefore = TraceStep::BeforeInstruction;
constexpr TraceStep kInFunction = TraceStep::InFunction;
constexpr TraceStep kAfter = TraceStep::AfterInstruction;

TEST(StopRule, FollowsTheBitsOfTheDebugLevel) {
  const std::tuple<int, TraceStep, std::string_view, bool> cases[] = {
      {1, kAfter, "", true},  {1, kBefore, "", false},     {2, kBefore, "", true},
      {2, kAfter, "", false}, {4, kInFunction, "x", true}, {3, kInFunction, "x", false},
      {0, kInFunction, "Debug(), End debuging.", true},    {0, kInFunction, "debug(", false}};
  for (const auto& [level, kind, description, stops] : cases) {
    EXPECT_EQ(debugStopWanted(level, kind, description), stops) << level << " " << static_cast<int>(kind);
  }
}

class RecordingWindow final : public DebugWindow {
 public:
  void runModal(Debugger& debugger) override {
    stages.push_back(debugger.columns().stage);
    if (press) press(debugger);
  }
  std::vector<DebugStage> stages;
  std::function<void(Debugger&)> press;
};

class DebuggerTest : public testing::DesktopDocumentTest {
 protected:
  DebuggerTest() { debugger.setWindow(&window); }
  void report(int kind, int line, int instruction, std::string description, std::string text) {
    doc.trace().traceEvent({static_cast<TraceStep>(kind), line, instruction, std::move(description), std::move(text)});
  }
  RecordingWindow window;
};

TEST_F(DebuggerTest, KeepsTheColumnsOfTheInstructionInProgress) {
  auto columns = [this] {
    const DebugColumns& c = debugger.columns();
    return std::vector<std::string>{std::to_string(c.line) + "." + std::to_string(c.instructionNumber), c.instruction,
                                    c.desc1, c.desc2, c.output};
  };
  report(1, 4, 2, {}, "Wait(5)");
  report(2, 0, -1, "Wait(), step", "detail");
  EXPECT_EQ(columns(), (std::vector<std::string>{"4.2", "Wait(5)", "Wait(), step", "detail", ""}));
  report(3, 4, 2, {}, "\"out\"");
  EXPECT_EQ(columns(),
            (std::vector<std::string>{"4.2", "Wait(5)", "Execute instruction...", "Execution ended.", "\"out\""}));
  report(1, 5, 1, {}, "next");
  EXPECT_EQ(columns(), (std::vector<std::string>{"5.1", "next", "Execute instruction...", "", ""}));
}
TEST_F(DebuggerTest, StopsInTheWindowAtTheLevelsStagesButNotWhileTheUserHoldsAModifier) {
  doc.traceSettings().debugLevel = 3;
  report(1, 1, 1, {}, "a");
  report(2, 1, 1, "step", "");
  report(3, 1, 1, {}, "\"a\"");
  EXPECT_EQ(window.stages, (std::vector<DebugStage>{DebugStage::BeforeExecute, DebugStage::BeforeSend}));
  EXPECT_EQ(ui.raisedCount(), 2);
  desktop->userKey(vk::kControl, false);  // none while the user holds a modifier or a button
  report(1, 2, 1, {}, "b");
  desktop->userKey(vk::kControl, true);
  report(1, 2, 1, {}, "b");
  EXPECT_EQ(window.stages.size(), 3u);
}

TEST_F(DebuggerTest, StopEndsThePlaybackAsTheEndKeyDoes) {
  doc.traceSettings().debugLevel = 2;
  doc.flags().running = true;
  window.press = [](Debugger& d) { d.stopPlayback(); };
  report(1, 1, 1, {}, "a");
  EXPECT_TRUE(doc.flags().endKey);
  EXPECT_FALSE(doc.flags().running);
  EXPECT_EQ(doc.traceSettings().debugLevel, 0);
  report(1, 2, 1, {}, "b");
  EXPECT_EQ(window.stages.size(), 1u);
}

TEST_F(DebuggerTest, ContinueAdvancesTheStageAndClearedBoxesEndTheStops) {
  doc.traceSettings().debugLevel = 3;
  window.press = [](Debugger& d) {
    d.continueStep();
    d.setLevelBit(kDebugBeforeSend, false);
    d.setLevelBit(kDebugBeforeExecute, false);
  };
  report(1, 1, 1, {}, "a");
  EXPECT_EQ(debugger.columns().stage, DebugStage::Executing);
  EXPECT_EQ(doc.traceSettings().debugLevel, 0);
  report(3, 1, 1, {}, "\"a\"");
  EXPECT_EQ(window.stages.size(), 1u);
}

TEST_F(DebuggerTest, DebugStopsOnceAtItsOwnStepThenBeforeEachInstruction) {
  in.analyse("Debug(2)");
  in.evaluateInstruction(1);
  report(1, 1, 2, {}, "next");
  EXPECT_EQ(window.stages, (std::vector<DebugStage>{DebugStage::Executing, DebugStage::BeforeExecute}));
}

TEST_F(DebuggerTest, EveryEventReachesTheWriterAfterTheStop) {
  doc.traceSettings().debugLevel = 1;
  doc.traceSettings().traceLevel = 1;
  doc.traceSettings().rowTemplate = "OUTPUT";
  doc.traceSettings().traceFileName = folder.file("t.csv");
  window.press = [this](Debugger&) { EXPECT_FALSE(std::filesystem::exists(folder.file("t.csv"))); };
  report(3, 1, 1, {}, "out");
  EXPECT_EQ(window.stages.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(folder.file("t.csv")));
}

TEST(TraceFanOut, DeliversEveryEventToEachListenerOnce) {
  TraceFanOut fan;
  TraceLog a, b;
  for (TraceLog* listener : {&a, &b, &a}) fan.add(*listener);
  fan.traceEvent({kInFunction, 1, 1, "d", "t"});
  fan.remove(b);
  fan.traceEvent({kAfter, 1, 1, {}, "x"});
  EXPECT_EQ(a.events().size(), 2u);
  EXPECT_EQ(b.events().size(), 1u);
}

}  // namespace
}  // namespace qlm
