#include "trace/Debugger.h"

#include <gtest/gtest.h>

#include <functional>

#include "../imaging/DesktopDocument.h"
#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

struct StopCase {
  int level;
  TraceStep kind;
  std::string_view description;
  bool stops;
};

constexpr TraceStep kBefore = TraceStep::BeforeInstruction;
constexpr TraceStep kInFunction = TraceStep::InFunction;
constexpr TraceStep kAfter = TraceStep::AfterInstruction;

class StopRule : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopRule, FollowsTheBitsOfTheDebugLevel) {
  const StopCase& c = GetParam();
  EXPECT_EQ(debugStopWanted(c.level, c.kind, c.description), c.stops);
}

INSTANTIATE_TEST_SUITE_P(Levels, StopRule,
                         ::testing::Values(StopCase{1, kAfter, "", true}, StopCase{1, kBefore, "", false},
                                           StopCase{2, kBefore, "", true}, StopCase{2, kAfter, "", false},
                                           StopCase{4, kInFunction, "x", true}, StopCase{3, kInFunction, "x", false},
                                           StopCase{0, kInFunction, "Debug(), End debuging.", true},
                                           StopCase{0, kInFunction, "debug(", false}, StopCase{7, kAfter, "", true},
                                           StopCase{0, kBefore, "", false}),
                         [](const ::testing::TestParamInfo<StopCase>& info) {
                           return "Level" + std::to_string(info.param.level) + "Kind" +
                                  std::to_string(static_cast<int>(info.param.kind)) + "Case" + std::to_string(info.index);
                         });

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
  EXPECT_EQ(debugger.columns().targetModeLine, "Mode=-1, Apps=");
}
TEST_F(DebuggerTest, StopsInTheWindowAtTheLevelsStagesAndRaisesTheMainWindow) {
  doc.traceSettings().debugLevel = 3;
  report(1, 1, 1, {}, "a");
  report(2, 1, 1, "step", "");
  report(3, 1, 1, {}, "\"a\"");
  EXPECT_EQ(window.stages, (std::vector<DebugStage>{DebugStage::BeforeExecute, DebugStage::BeforeSend}));
  EXPECT_EQ(ui.raisedCount(), 2);
}

TEST_F(DebuggerTest, NoWindowWhileTheUserHoldsAModifierOrAButton) {
  doc.traceSettings().debugLevel = 7;
  desktop->userKey(vk::kControl, false);
  report(1, 1, 1, {}, "a");
  desktop->userKey(vk::kControl, true);
  report(1, 1, 1, {}, "a");
  EXPECT_EQ(window.stages.size(), 1u);
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
  TraceLog a;
  TraceLog b;
  fan.add(a);
  fan.add(b);
  fan.add(a);
  fan.traceEvent({kInFunction, 1, 1, "d", "t"});
  fan.remove(b);
  fan.traceEvent({kAfter, 1, 1, {}, "x"});
  EXPECT_EQ(a.events().size(), 2u);
  EXPECT_EQ(b.events().size(), 1u);
}

}  // namespace
}  // namespace qlm
