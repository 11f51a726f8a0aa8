#include "language/SyntaxChecker.h"

#include <gtest/gtest.h>

#include <string>

#include "language/FunctionTable.h"
#include "language/Lexer.h"
#include "language/OperatorTable.h"

namespace qlm {
namespace {

SyntaxResult checked(std::string_view text, AnalysisState& state) {
  analyse(text, 0, 0, state);
  return checkSyntax(state);
}

SyntaxResult checked(std::string_view text) {
  AnalysisState state;
  return checked(text, state);
}

class AcceptedTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AcceptedTest, PassesEveryCheck) {
  const SyntaxResult result = checked(GetParam());
  EXPECT_TRUE(result.ok) << result.message;
  EXPECT_TRUE(result.message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AcceptedTest,
    ::testing::Values("", "$x = 3 ;Wait( 100 )", "\"HelloV[RETURN]\"", "\"a\"&$B", "$A&\"V[RETURN]\"",
                      "If($A==1,\"x\",\"y\")", "$A<=1", "Wait()", "Stop()", "GoTo(:END,1)", "goto(:END,1)", ":END",
                      "\"a\"; :END", "(1+2)*3", "-5+3", "Min(-1,2)", "5-3", "5--3", "If(Min(1,2),3,4)", "Wait((100))",
                      "$X=Wait(1)", "GetClipboard()&\"x\"", "SetVar($X,1)", "FileListLoad($L,\"C:\\data\\\")",
                      "\"a\";; \"b\"", "Ask3(\"q\",\"a\",1,\"b\",2,\"c\",3)", "IfImage(5,\"V[LBUTTON]\",\"\")",
                      "$A=1; $B=$A+1; :LOOP; GoTo(:LOOP,1)", "\"a\"\"b\""));

struct RejectCase {
  const char* text;
  std::string message;
  int selectionStart;
  int selectionEnd;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.text; }

class RejectedTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectedTest, ReportsTheFirstErrorAndSelectsIt) {
  const RejectCase& c = GetParam();
  const SyntaxResult result = checked(c.text);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, c.message);
  EXPECT_EQ(std::pair(result.selectionStart, result.selectionEnd), std::pair(c.selectionStart, c.selectionEnd));
}

constexpr const char* kUnrecognized = "Invalid syntax :\nUnrecognized characters in red.";
constexpr const char* kMissing = "Invalid syntax :\nOperator missing.";
constexpr const char* kAssign = "You cannot use a variable with the operator '='.";
constexpr const char* kLocation =
    "A location can be called only by the Goto function, or it must be alone in an instruction.";

INSTANTIATE_TEST_SUITE_P(
    Unrecognized, RejectedTest,
    ::testing::Values(RejectCase{"\"abc", kUnrecognized, 0, 4}, RejectCase{"1+abc+2", kUnrecognized, 2, 5},
                      RejectCase{"(If(1,2,3))", kUnrecognized, 5, 6}, RejectCase{"Wait(", kUnrecognized, 0, 5}));

INSTANTIATE_TEST_SUITE_P(
    Neighbours, RejectedTest,
    ::testing::Values(RejectCase{"\"a\"$B", kMissing, 3, 3}, RejectCase{"$A$B", kMissing, 2, 2},
                      RejectCase{"$A\"x\"", kMissing, 2, 2}, RejectCase{"1\"x\"", kMissing, 1, 1},
                      RejectCase{"\"x\"1", kMissing, 3, 3}, RejectCase{"\"x\"Wait(1)", kMissing, 3, 3},
                      RejectCase{"\"a\":END", kMissing, 3, 3}));

// A call or an operator that does not fit is shown with its row's usage text.
std::string usageOf(std::string_view head, std::string_view function) {
  return std::string(head) + std::string(functionTable()[static_cast<std::size_t>(findFunction(function))].usage);
}

std::string operatorUsage(std::string_view symbol, std::string_view side) {
  const OperatorInfo& row = operatorTable()[static_cast<std::size_t>(matchOperator(symbol, 0))];
  return "Operator  " + std::string(symbol) + (symbol.size() == 1 ? " " : "") + ":The argument at " +
         std::string(side) + " is incorrect.\n" + std::string(row.usage);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RejectedTest,
    ::testing::Values(RejectCase{"Stop(1)", usageOf("Too many arguments:\n", "Stop"), 0, 7},
                      RejectCase{"1+Wait(1,2)", usageOf("Too many arguments:\n", "Wait"), 2, 11},
                      RejectCase{"Beep(1)", usageOf("Not enough arguments:\n", "Beep"), 0, 7},
                      RejectCase{"If(1,Min(2),3)", usageOf("Not enough arguments:\n", "Min"), 5, 11},
                      RejectCase{"SetVar(1,2)", usageOf("Argument must be a variable name :\n", "SetVar"), 6, 7},
                      RejectCase{"FileListGet(,1)", usageOf("Argument must be a variable name :\n", "FileListGet"), 11,
                                 12}));

INSTANTIATE_TEST_SUITE_P(
    Operators, RejectedTest,
    ::testing::Values(RejectCase{"1+\"a\"", operatorUsage("+", "right"), 1, 2},
                      RejectCase{"\"a\"&1", operatorUsage("&", "right"), 3, 4},
                      RejectCase{"1&\"a\"", operatorUsage("&", "left"), 1, 2},
                      RejectCase{"==1", operatorUsage("==", "left"), 0, 2},
                      RejectCase{"1*", operatorUsage("*", "right"), 1, 2},
                      RejectCase{"\"a\"<=\"b\"", operatorUsage("<=", "right"), 3, 5},
                      RejectCase{"1=2", operatorUsage("=", "left"), 1, 2},
                      RejectCase{"GetClipboard()+1", operatorUsage("+", "left"), 14, 15}));

INSTANTIATE_TEST_SUITE_P(
    Parentheses, RejectedTest,
    ::testing::Values(RejectCase{"2(3)", "Operator missing at left of '('.", 1, 2},
                      RejectCase{"$A(3)", "Operator missing at left of '('.", 2, 3},
                      RejectCase{"(2)3", "Operator missing at right of  ')'.", 2, 3},
                      RejectCase{"Wait(1)Wait(2)", "Operator missing at right of  ')'.", 6, 7}));

INSTANTIATE_TEST_SUITE_P(
    Assignments, RejectedTest,
    ::testing::Values(RejectCase{"If($A=1,\"x\",\"y\")", kAssign, 5, 6}, RejectCase{"$A+$B=1", kAssign, 5, 6},
                      RejectCase{"Wait(1)=3", kAssign, 7, 8}, RejectCase{"1; (1)+$A=2", kAssign, 9, 10}));

INSTANTIATE_TEST_SUITE_P(
    Locations, RejectedTest,
    ::testing::Values(RejectCase{"Wait(:END)", kLocation, 5, 9}, RejectCase{":A:B", kLocation, 0, 2},
                      RejectCase{"If(1,:A,2)", kLocation, 5, 7}, RejectCase{"1; 2:X", kLocation, 4, 6}));

TEST(SyntaxCheck, GroupsTakeTheTypeOfTheirEdges) {
  AnalysisState state;
  ASSERT_TRUE(checked("(1+2)*3", state).ok);
  EXPECT_EQ(state.types[0], 'I');
  EXPECT_EQ(state.types[4], 'I');
  ASSERT_TRUE(checked("Wait((100))", state).ok);
  EXPECT_EQ(state.types.substr(4), "VIIIIIV");
  ASSERT_TRUE(checked("GetClipboard()&(\"a\")", state).ok);
  EXPECT_EQ(state.types[12], 'C');
  EXPECT_EQ(state.types[13], 'C');
  EXPECT_EQ(state.types[15], 'C');
  EXPECT_EQ(state.types[19], 'C');
  checked("()", state);
  EXPECT_EQ(state.types, "((");  // an empty group keeps its own types
}

TEST(SyntaxCheck, LocationMayFollowASeparatorLeftWithoutItsSpace) {
  std::string text;
  for (int i = 0; i < 399; ++i) text += "1;";
  text += ":A";
  AnalysisState state;
  const SyntaxResult result = checked(text, state);
  ASSERT_EQ(state.length(), AnalysisState::kMaxLength);
  ASSERT_EQ(state.text.substr(996), "1;:A");
  EXPECT_TRUE(result.ok) << result.message;
}

}  // namespace
}  // namespace qlm
