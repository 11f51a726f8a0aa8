#include <gtest/gtest.h>

#include "LanguageFixture.h"

namespace qlm {
namespace {

using testing::LanguageTest;

struct Case {
  const char* text;
  const char* value;
  char type;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.text; }

class EvaluatesTo : public LanguageTest, public ::testing::WithParamInterface<Case> {};

TEST_P(EvaluatesTo, ValueAndType) {
  Value value = run(GetParam().text);
  EXPECT_EQ(value.text, GetParam().value);
  EXPECT_EQ(value.type, GetParam().type);
  EXPECT_FALSE(doc.stopRequested()) << lastMessage();
}

INSTANTIATE_TEST_SUITE_P(
    LeftToRight, EvaluatesTo,
    ::testing::Values(Case{"1+2*3", "9", 'I'}, Case{"2*3+1", "7", 'I'}, Case{"(1+2)*3", "9", 'I'},
                      Case{"10-2-3", "5", 'I'}, Case{"-5+3", "-2", 'I'}, Case{"1/3", "0.333333333333", 'I'},
                      Case{"10/4", "2.5", 'I'}, Case{"7%3", "1", 'I'}, Case{"-7%3", "-1", 'I'},
                      Case{"1==1.0", "0", 'I'}, Case{"\"abc\"==\"abc\"", "1", 'I'},
                      Case{"\"abc\"==\"ABC\"", "0", 'I'}, Case{"\"a\"&\"b\"&\"c\"", "abc", 'C'},
                      Case{"2<=2", "1", 'I'}, Case{"3>=4", "0", 'I'}, Case{"1<2", "1", 'I'},
                      Case{"\"b\">\"a\"", "0", 'I'}, Case{"\"x\"!=\"y\"", "1", 'I'},
                      Case{"\"a\"\"b\"", "a\"b", 'C'}, Case{"\"\"", "", 'C'},
                      Case{"\"HelloV[RETURN]\"", "HelloV[RETURN]", 'C'}, Case{"$UNKNOWN", "", 'C'},
                      Case{"(\"a\")", "a", 'C'},
                      Case{"1==1&\"x\"", "1x", 'C'}, Case{"1==2&\"x\"", "0x", 'C'}, Case{":LOOP", "", 'C'}));

struct StopCase {
  const char* text;
  const char* value;
  const char* message;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.text; }

class StopsWithAMessage : public LanguageTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopsWithAMessage, ShowsItOnceAndStops) {
  EXPECT_EQ(run(GetParam().text).text, GetParam().value);
  EXPECT_EQ(ui.messages(), std::vector<std::string>{GetParam().message});
  EXPECT_EQ(ui.raisedCount(), 1);
  EXPECT_TRUE(doc.stopRequested());
}

INSTANTIATE_TEST_SUITE_P(
    All, StopsWithAMessage,
    ::testing::Values(StopCase{"7%0", "1", "Division by zero is imposible."},
                      StopCase{"1/0", "1", "Division by zero is imposible."},
                      StopCase{"If(\"x\",\"a\",\"b\")", "", "x : Invalid number."},
                      StopCase{"GetClipboard()", "", "GetClipboard() is not available on this build."}));

TEST_F(LanguageTest, AssignmentStoresTextsQuotedAndNumbersRawAndSendsNothing) {
  Value value = run("$X=1+2");
  EXPECT_EQ(std::pair(value.text, value.type), std::pair(std::string(), 'C'));
  EXPECT_EQ(stored("$X"), "3");
  EXPECT_EQ(doc.readVariable("$X").type, 'I');
  run("$Y=\"a\"&\"b\"; $Z=$UNKNOWN; $Q=\"a\"\"b\"; $X=");
  EXPECT_EQ(std::vector<std::string>({stored("$X"), stored("$Y"), stored("$Z"), stored("$Q")}),
            std::vector<std::string>({"3", "\"ab\"", "\"\"", "\"a\"b\""}));  // nothing on the right: unchanged
  EXPECT_EQ(run("$Q&\"V[RETURN]\"").text, "a\"bV[RETURN]");
  trace.clear();
  run("$Y=2");
  ASSERT_EQ(trace.events().size(), 1u);
  EXPECT_EQ(trace.events()[0].kind, TraceStep::InFunction);
  EXPECT_EQ(trace.events()[0].description + trace.events()[0].text, "Value of variable $Y change:From \"ab\" to 2");
  run("SetVar($X, \"abc\")");  // SetVar stores the value as it is
  EXPECT_EQ(stored("$X"), "abc");
  EXPECT_EQ(doc.readVariable("$X").type, 'I');
  run("SetVar($X, \"\")");
  EXPECT_EQ(stored("$X"), "abc");
  EXPECT_EQ(trace.events().back().text, "From abc to ");
}

TEST_F(LanguageTest, EmptyInstructionHasNoValue) {
  in.analyse("\"a\";; \"b\"");
  ASSERT_EQ(in.analysis().instructionCount, 3);
  EXPECT_EQ(in.evaluateInstruction(2).type, '?');
  EXPECT_EQ(in.evaluateInstruction(3).text, "b");
  EXPECT_EQ(in.evaluateInstruction(4).type, '?');
}

TEST_F(LanguageTest, UnrecognisedCharacterReportsItsClassAndStopsOnlyWhilePlaying) {
  run("1+#");
  EXPECT_EQ(lastMessage(), "?:Type Inconnu!");
  EXPECT_FALSE(doc.stopRequested());
  doc.flags().running = true;
  run("1+#");
  EXPECT_TRUE(doc.stopRequested());
}

TEST_F(LanguageTest, IfEvaluatesOnlyTheChosenBranch) {
  EXPECT_EQ(run("If(0,$A=1,\"b\")").text, "b");
  EXPECT_FALSE(doc.hasVariable("$A"));
  EXPECT_EQ(run("If(2.5,\"a\",\"b\")").text + run("If(0.7,\"a\",\"b\")").text + run("If(,\"a\",\"b\")").text, "abb");
  EXPECT_TRUE(hasStep("If(), Execution of instruction:", "\"b\""));
}

TEST_F(LanguageTest, GoToALineOrALocationSetsThePositionAndTheJumpFlagUntilAStop) {
  auto position = [this] { return doc.readVariable("$QLM_LINE").form + "." + doc.readVariable("$QLM_INST").form; };
  run("GoTo(5,2)");
  EXPECT_EQ(position(), "5.2");
  EXPECT_TRUE(in.jumpFlag());
  EXPECT_TRUE(hasStep("Goto(), line 5, instruction 2", ""));
  std::vector<LocationSource> records = {{":LOOP", true}, {"\"a\"; :LOOP", true}};
  doc.locations().build(records);
  run("GoTo(:LOOP,2)");
  EXPECT_EQ(position(), "2.2");
  in.clearJumpFlag();
  run("GoTo(:NONE,1)");
  EXPECT_EQ(lastMessage(), "Invalid location = :NONE, number = 1.");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_FALSE(in.jumpFlag());
  run("GoTo(3,1)");
  EXPECT_EQ(position(), "2.2");
}

TEST_F(LanguageTest, StopAndCloseSetTheirRequests) {
  run("Stop(); QlmClose()");
  EXPECT_TRUE(doc.stopRequested() && doc.flags().closeRequest);
  EXPECT_TRUE(hasStep("QlmClose(), Quillmote will close this QLM document.", ""));
}

TEST_F(LanguageTest, TooManyVariablesShowsTheMessageAndStops) {
  for (int i = 0; doc.variables().size() < 255; ++i) run("$V" + std::to_string(i) + "=1");
  EXPECT_FALSE(doc.stopRequested());
  run("$V0=2");
  EXPECT_EQ(stored("$V0"), "2");
  run("$NEW=1");
  EXPECT_EQ(lastMessage(), "Too many variables");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_FALSE(doc.hasVariable("$NEW"));
}

TEST_F(LanguageTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  EXPECT_EQ(run(std::string(499, '(') + "1" + std::string(499, ')')).text, "");
  EXPECT_EQ(lastMessage(), "Instruction too deeply nested.");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages().size(), 1u);
  doc.flags().stopRequest = false;
  EXPECT_EQ(run(std::string(100, '(') + "1" + std::string(100, ')')).text, "1");
}

TEST_F(LanguageTest, ActivityPauseRunsBeforeEveryEvaluation) {
  int pauses = 0;
  in.setActivityPause([&] { ++pauses; });
  run("1+2");
  EXPECT_GE(pauses, 2);
}

}  // namespace
}  // namespace qlm
