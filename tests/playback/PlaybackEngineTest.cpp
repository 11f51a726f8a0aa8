#include "playback/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "../language/LanguageFixture.h"
#include "playback/PlaybackHost.h"
#include "playback/UserActivityWatch.h"

namespace qlm {
namespace {

class ListHost final : public PlaybackHost {
 public:
  int recordCount() override { return static_cast<int>(records.size()); }
  PlaybackRecord record(int index) override { return records.at(static_cast<std::size_t>(index)); }
  void selectRecord(int index) override { selected.push_back(index + 1); }
  void showNote(std::string_view text) override { notes.emplace_back(text); }
  void closeProgram() override { ++closed; }
  void openTraceFile(std::string_view path) override { opened = path; }

  std::vector<PlaybackRecord> records;
  std::vector<int> selected;
  std::vector<std::string> notes;
  std::string opened;
  int closed = 0;
};

class SentText final : public PlaybackOutput {
 public:
  bool findTarget(const RecordTarget&) override {
    ++lookups;
    return targetPresent;
  }
  void sendText(std::string_view text, const RecordTarget&) override {
    sent.emplace_back(text);
    if (onSend) onSend(text);
  }

  std::vector<std::string> sent;
  int lookups = 0;
  bool targetPresent = true;
  std::function<void(std::string_view)> onSend;
};

enum class Origin { User, Ours, OtherInjector };

WatchedEvent event(int message, int virtualKey = 0, Origin origin = Origin::User) {
  WatchedEvent e;
  e.message = message;
  e.virtualKey = virtualKey;
  e.injected = origin != Origin::User;
  e.ours = origin == Origin::Ours;
  return e;
}

class PlaybackTest : public testing::LanguageTest {
 protected:
  void setRecords(std::vector<std::string> instructions) {
    host.records.clear();
    for (std::string& text : instructions) {
      PlaybackRecord record;
      record.instruction = std::move(text);
      record.target.className = "Class";
      record.target.title = "Title";
      host.records.push_back(record);
    }
  }
  PlaybackEnd play(PlaybackOptions options = {}) {
    PlaybackEngine engine(doc, host, output, options);
    return engine.run();
  }
  using Strings = std::vector<std::string>;

  ListHost host;
  SentText output;
};

TEST_F(PlaybackTest, PlaysEveryRecordAndSendsOnlyNonEmptyOutputs) {
  doc.setPathName("/home/ada/macros/invoice.qlm");
  setRecords({"\"a\"; $X=1", "\"b\"&$X&$QLM_PATH"});
  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_EQ(output.sent, (Strings{"a", "b1/home/ada/macros/"}));
  EXPECT_EQ(output.lookups, 2);  // the assignment sends nothing and looks for nothing
  EXPECT_EQ(doc.readVariableNumber("$QLM_LINE_NB"), 2);
  EXPECT_EQ(doc.readVariableNumber("$QLM_INST"), 1);
  EXPECT_FALSE(doc.stopRequested());
  output.targetPresent = false;  // a missing target receives nothing
  output.sent.clear();
  play();
  EXPECT_TRUE(output.sent.empty());
  EXPECT_EQ(output.lookups, 4);
}
TEST_F(PlaybackTest, SkipsRecordsNotToBePlayedWhileTheLineStillPassesThem) {
  setRecords({"\"a\"", "\"b\"", "\"c\"", "\"d\""});
  host.records[1].play = false;
  host.records[2].erase = true;
  play();
  EXPECT_EQ(output.sent, (Strings{"a", "d"}));
  EXPECT_EQ(host.selected, (std::vector<int>{1, 4}));
  setRecords({"GoTo(:B,1)", ":B; \"z\""});  // nor can their locations be reached
  host.records[1].play = false;
  EXPECT_EQ(play(), PlaybackEnd::Stopped);
  EXPECT_EQ(lastMessage(), "Invalid location = :B, number = 1.");
}

TEST_F(PlaybackTest, JumpsRepeatARecordFromItsFirstInstructionOrStartAtTheLocationsInstruction) {
  setRecords(
      {"$N=$N+1; If($N<3,GoTo(1,1),\"\"); \"x\"", "GoTo(:B,1)", "\"skipped\"", "\"y\"; :B; \"z\"", "\"after\""});
  play();
  EXPECT_EQ(stored("$N"), "3");
  EXPECT_EQ(output.sent, (Strings{"x", "z", "after"}));
}

TEST_F(PlaybackTest, StopEndsAfterTheCurrentInstructionAndTheNextPlaybackOffersToResume) {
  setRecords({"\"a\"; Stop(); \"b\"", "\"c\""});
  EXPECT_EQ(play(), PlaybackEnd::Stopped);
  EXPECT_EQ(output.sent, (Strings{"a"}));
  EXPECT_EQ(doc.readVariableNumber("$QLM_INST"), 2);
  // Nobody to answer the question: nothing starts.
  EXPECT_EQ(play(), PlaybackEnd::Unanswered);
  EXPECT_EQ(output.sent, (Strings{"a"}));
  EXPECT_NE(lastMessage().find("Would you like to continue"), std::string::npos);
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_FALSE(doc.flags().running);
  ui.queueAnswers({2});  // go on with the next instruction
  EXPECT_EQ(play(), PlaybackEnd::Completed);
  ASSERT_EQ(ui.questions().size(), 2u);
  EXPECT_EQ(ui.questions()[1].text,
            "Would you like to continue the previous playback Line=1 Instruction=2 (already executed) ?");
  EXPECT_EQ(ui.questions()[1].answers,
            (Strings{"Yes", "No, start again at the next instruction.",
                     "No, from the beginning and also reset the variables."}));
  EXPECT_EQ(output.sent, (Strings{"a", "b", "c"}));
}

TEST_F(PlaybackTest, ResumeAnswersRepeatTheInstructionOrStartAgain) {
  setRecords({"$N=$N+1; Stop(); \"b\""});
  play();
  ui.queueAnswers({1});  // the stopping instruction runs again
  play();
  EXPECT_EQ(stored("$N"), "1");
  EXPECT_TRUE(doc.stopRequested());
  ui.queueAnswers({3});  // from the beginning, variables reset
  play();
  EXPECT_EQ(stored("$N"), "1");
  EXPECT_EQ(doc.readVariableNumber("$QLM_INST"), 2);
}

TEST_F(PlaybackTest, EndKeyStopsAfterTheCurrentInstructionAndBecomesAStopRequest) {
  setRecords({"\"a\"; \"b\"", "\"c\""});
  output.onSend = [&](std::string_view) { doc.flags().endKey = true; };
  EXPECT_EQ(play(), PlaybackEnd::Stopped);
  EXPECT_EQ(output.sent, (Strings{"a"}));
  EXPECT_FALSE(doc.flags().endKey);
  EXPECT_TRUE(doc.stopRequested());
}

TEST_F(PlaybackTest, CloseRequestOrOptionClosesOnlyAfterAPlaybackThatDidNotStop) {
  setRecords({"QlmClose(); \"a\"", "\"b\""});
  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_TRUE(output.sent.empty());
  EXPECT_EQ(host.closed, 1);
  setRecords({"\"a\""});
  play({.closeWhenDone = true});
  EXPECT_EQ(host.closed, 2);
  setRecords({"Stop()"});
  play({.closeWhenDone = true});
  EXPECT_EQ(host.closed, 2);
  doc.flags().stopRequest = false;
  doc.setPathName("/tmp/nightly-ZKRA.qlm");
  setRecords({"\"a\""});
  play();
  EXPECT_EQ(host.closed, 3);
}
TEST_F(PlaybackTest, ReportsEveryInstructionBeforeAndAfterIt) {
  setRecords({"\"a\"; 1+1"});
  trace.clear();
  play();
  std::vector<std::tuple<int, int, int, std::string>> steps;
  for (const TraceEvent& event : trace.events()) {
    if (event.kind == TraceStep::InFunction) continue;
    steps.emplace_back(static_cast<int>(event.kind), event.line, event.instruction, event.text);
  }
  EXPECT_EQ(steps, (std::vector<std::tuple<int, int, int, std::string>>{
                       {1, 1, 1, "\"a\""}, {3, 1, 1, "\"a\""}, {1, 1, 2, "1+1"}, {3, 1, 2, "\"2\""}}));
}

// The instruction and the stop message it gives.
using OutOfRangeCase = std::pair<const char*, const char*>;

class OutOfRangePosition : public PlaybackTest, public ::testing::WithParamInterface<OutOfRangeCase> {};

// A number that names no line or instruction stops; it never wraps round to another one.
TEST_P(OutOfRangePosition, StopsWithoutPlayingAnotherLine) {
  // The count stops a jump that wraps round to the first instruction.
  setRecords({std::string(":L; $N=$N+1; If($N>50,Stop(),\"\"); ") + GetParam().first, "\"b\""});
  EXPECT_EQ(play(), PlaybackEnd::Stopped);
  EXPECT_EQ(lastMessage(), GetParam().second);
  EXPECT_TRUE(output.sent.empty());
  EXPECT_EQ(host.selected, (std::vector<int>{1}));
}

INSTANTIATE_TEST_SUITE_P(
    Jumps, OutOfRangePosition,
    ::testing::Values(OutOfRangeCase{"GoTo(0,1)", "Invalid line = 0."},
                      OutOfRangeCase{"GoTo(4294967297,1)", "Invalid line = 4294967297."},
                      OutOfRangeCase{"GoTo(-4294967295,1)", "Invalid line = -4294967295."},
                      OutOfRangeCase{"GoTo(-2147483648,1)", "Invalid line = -2147483648."},
                      OutOfRangeCase{"$QLM_LINE=4294967297", "Invalid line = 4294967297."},
                      OutOfRangeCase{"GoTo(1,4294967297)", "Invalid instruction = 4294967297."},
                      OutOfRangeCase{"GoTo(1,-2147483649)", "Invalid instruction = -2147483649."},
                      OutOfRangeCase{"GoTo(:L,4294967297)", "Invalid location = :L, number = 4294967297."}));

TEST_F(PlaybackTest, RunsOnItsOwnThreadStopsOnTheStopCommandAndPlaysAgain) {
  setRecords({":L; \"x\"; GoTo(:L,1)"});
  // Counted on the playback thread; the variables are its own while it runs.
  std::atomic<int> sends{0};
  output.onSend = [&](std::string_view) { ++sends; };
  PlaybackEngine engine(doc, host, output);
  ASSERT_TRUE(engine.start());
  EXPECT_FALSE(engine.start());
  while (sends < 50) std::this_thread::yield();
  engine.stop();
  EXPECT_EQ(engine.wait(), PlaybackEnd::Stopped);
  EXPECT_EQ(doc.flags().runState, RunState::Idle);
  // It plays again after a threaded playback that ended without a wait.
  setRecords({"\"a\""});
  output.sent.clear();
  ui.queueAnswers({3});
  ASSERT_TRUE(engine.start());
  while (engine.playing()) std::this_thread::yield();
  EXPECT_TRUE(engine.start());
  EXPECT_EQ(engine.wait(), PlaybackEnd::Completed);
  EXPECT_FALSE(engine.playing());
  EXPECT_EQ(output.sent, (Strings{"a", "a"}));
}

TEST_F(PlaybackTest, UserMovementPausesEvaluationForTheMovementWait) {
  UserActivityWatch watch(doc, nullptr, 2500);
  doc.flags().running = true;
  auto waitAfterMove = [&](Origin origin) {
    doc.flags().movementWaitLeft = 0;
    watch.onEvent(event(512, 0, origin));
    return doc.flags().movementWaitLeft.load();
  };
  EXPECT_EQ(waitAfterMove(Origin::Ours), 0);
  EXPECT_EQ(waitAfterMove(Origin::OtherInjector), 2500);
  EXPECT_EQ(waitAfterMove(Origin::User), 2500);
  // Leaving one of our windows after pressing its button is not activity.
  doc.flags().pointerMovesIgnored = 1;
  EXPECT_EQ(waitAfterMove(Origin::User), 0);
  EXPECT_EQ(waitAfterMove(Origin::User), 2500);
  PlaybackEngine engine(doc, host, output);
  auto before = clock.nowMs();
  engine.userActivityPause();
  EXPECT_EQ(clock.nowMs() - before, 2500);
  EXPECT_EQ(host.notes, (Strings{"Mouse moved: 2/2", "Mouse moved: 1/2"}));
  EXPECT_EQ(doc.flags().movementWaitLeft, 0);
}

TEST_F(PlaybackTest, EndKeyOfTheUserStopsButOurOwnInjectedKeysDoNot) {
  for (Origin origin : {Origin::User, Origin::OtherInjector}) {
    SCOPED_TRACE(static_cast<int>(origin));
    UserActivityWatch watch(doc, nullptr, 0);
    doc.flags().endKey = false;
    doc.flags().running = true;
    doc.flags().userActive = true;
    watch.onEvent(event(256, 35, Origin::Ours));
    EXPECT_FALSE(doc.flags().endKey);
    EXPECT_TRUE(doc.flags().userActive);
    watch.onEvent(event(256, 65, origin));
    EXPECT_FALSE(doc.flags().userActive);
    watch.onEvent(event(256, 35, origin));
    EXPECT_TRUE(doc.flags().endKey);
    EXPECT_FALSE(doc.flags().running);
  }
}

}  // namespace
}  // namespace qlm
