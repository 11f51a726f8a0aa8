#include <gtest/gtest.h>

#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

class TextFunctionCases : public FunctionTableTest {};

TEST_P(TextFunctionCases, GivesExpectedValue) { expectCase(); }

INSTANTIATE_TEST_SUITE_P(
    TrimAndPad, TextFunctionCases,
    ::testing::Values(EvalCase{R"(Rtrim("abcxx","x"))", "abc", 'C'}, EvalCase{R"(Rtrim("xx","x"))", "", 'C'},
                      EvalCase{R"(Rtrim("abc",""))", "abc", 'C'}, EvalCase{R"(Rtrim("xabab","ab"))", "x", 'C'},
                      EvalCase{R"(Ltrim("xxab","x"))", "ab", 'C'}, EvalCase{R"(Ltrim("abc",""))", "abc", 'C'},
                      EvalCase{R"(Ltrim("abab","ab"))", "", 'C'}, EvalCase{R"(Rpad("ab","-",5))", "ab---", 'C'},
                      EvalCase{R"(Rpad("abcdef","-",3))", "abc", 'C'}, EvalCase{R"(Rpad("ab","xy",5))", "abxyx", 'C'},
                      EvalCase{R"(Rpad("abc","",2))", "ab", 'C'}, EvalCase{R"(Rpad("ab","",5))", "ab", 'C'},
                      EvalCase{R"(Rpad("ab","-",-3))", "", 'C'}, EvalCase{R"(Lpad("7","0",3))", "007", 'C'},
                      EvalCase{R"(Lpad("12345","0",3))", "345", 'C'}, EvalCase{R"(Lpad("5","ab",4))", "bab5", 'C'},
                      EvalCase{R"(Lpad("5","",4))", "5", 'C'}, EvalCase{R"(Lpad("5","0",0))", "", 'C'},
                      EvalCase{R"(Lpad("5","0",-2))", "", 'C'}));

INSTANTIATE_TEST_SUITE_P(
    SearchAndCut, TextFunctionCases,
    ::testing::Values(EvalCase{R"(Replace("a-b-c","-","+"))", "a+b+c", 'C'},
                      EvalCase{R"(Replace("aaa","aa","b"))", "ba", 'C'},
                      EvalCase{R"(Replace("abc","","x"))", "abc", 'C'},
                      EvalCase{R"(Replace("abc","B","x"))", "abc", 'C'},
                      EvalCase{R"(Replace("abc","b",""))", "ac", 'C'}, EvalCase{R"(SubStr("abcdef",2,4))", "bcd", 'C'},
                      EvalCase{R"(SubStr("abcdef",3,0))", "cdef", 'C'}, EvalCase{R"(SubStr("abcdef",0,2))", "ab", 'C'},
                      EvalCase{R"(SubStr("abcdef",2,99))", "bcdef", 'C'}, EvalCase{R"(SubStr("abc",5,1))", "", 'C'},
                      EvalCase{R"(SubStr("abc",3,3))", "c", 'C'}, EvalCase{R"(StrStr("abcabc","ca"))", "3", 'I'},
                      EvalCase{R"(StrStr("abc","x"))", "0", 'I'}, EvalCase{R"(StrStr("abc",""))", "1", 'I'},
                      EvalCase{R"(StrLen(""))", "0", 'I'}, EvalCase{R"(StrLen("abc"))", "3", 'I'},
                      EvalCase{R"(Repeat("ab",3))", "ababab", 'C'}, EvalCase{R"(Repeat("ab",0))", "", 'C'},
                      EvalCase{R"(Repeat("ab",-2))", "", 'C'}));

INSTANTIATE_TEST_SUITE_P(
    ToChar, TextFunctionCases,
    ::testing::Values(EvalCase{R"(ToChar("%05.1f",3.14159))", "003.1", 'C'}, EvalCase{R"(ToChar("abc",1))", "abc", 'C'},
                      EvalCase{R"(ToChar("%d%%",50))", "50%", 'C'}, EvalCase{R"(ToChar("%s!","hi"))", "hi!", 'C'},
                      EvalCase{R"(ToChar("%5s","ab"))", "   ab", 'C'}, EvalCase{R"(ToChar("%-4d|",7))", "7   |", 'C'},
                      EvalCase{R"(ToChar("%+i",7))", "+7", 'C'}, EvalCase{R"(ToChar("%u",7))", "7", 'C'},
                      EvalCase{R"(ToChar("%.2e",12345))", "1.23e+04", 'C'}, EvalCase{R"(ToChar("%g",0.5))", "0.5", 'C'},
                      EvalCase{R"(ToChar("%s",3.5))", "3.5", 'C'}, EvalCase{R"(ToChar("%.1f","x"))", "0.0", 'C'},
                      EvalCase{R"(ToChar("Sum %d",5))", "Sum 5", 'C'},
                      EvalCase{R"(ToChar("Pi is %.2f",3.14159))", "Pi is 3.14", 'C'},
                      EvalCase{R"(ToChar("%x",255))", "%x", 'C'}, EvalCase{R"(ToChar("%n",1))", "%n", 'C'},
                      EvalCase{R"(ToChar("%d %d",1))", "%d %d", 'C'}, EvalCase{R"(ToChar("%ld",7))", "%ld", 'C'},
                      EvalCase{R"(ToChar("%*d",7))", "%*d", 'C'}, EvalCase{R"(ToChar("%#s","a"))", "%#s", 'C'},
                      EvalCase{R"(ToChar("%05s","a"))", "%05s", 'C'}, EvalCase{R"(ToChar("100%",1))", "100%", 'C'}));

INSTANTIATE_TEST_SUITE_P(
    XlsNumToCol, TextFunctionCases,
    ::testing::Values(EvalCase{"XlsNumToCol(1)", "A", 'C'}, EvalCase{"XlsNumToCol(26)", "Z", 'C'},
                      EvalCase{"XlsNumToCol(27)", "AA", 'C'}, EvalCase{"XlsNumToCol(52)", "AZ", 'C'},
                      EvalCase{"XlsNumToCol(53)", "BA", 'C'}, EvalCase{"XlsNumToCol(255)", "IU", 'C'},
                      EvalCase{"XlsNumToCol(0)", "A", 'C'}, EvalCase{"XlsNumToCol(300)", "IU", 'C'},
                      EvalCase{"XlsNumToCol(-5)", "A", 'C'}));

using TextFunctions = FunctionTest;

TEST_F(TextFunctions, ResultsLongerThanAValueAreCutButLongerArgumentsStop) {
  for (const char* instruction : {R"(Repeat("abc",100000))", R"(Rpad("a","b",1000000))",
                                  R"(Lpad("a","b",1000000))", R"(ToChar("%99999d",1))"}) {
    SCOPED_TRACE(instruction);
    EXPECT_EQ(run(instruction).text.size(), kMaxValueLength);
  }
  EXPECT_EQ(run(R"(Lpad("a","b",1000000))").text.back(), 'a');
  EXPECT_FALSE(doc.stopRequested());
  // Arguments up to 999 characters are accepted, longer ones stop.
  run(R"($S=Repeat("a",998)&"b")");
  EXPECT_EQ(run(R"(Rtrim($S,"b"))").text, std::string(998, 'a'));
  EXPECT_FALSE(doc.stopRequested());
  run(R"($S=Repeat("a",1000))");
  EXPECT_EQ(run(R"(Rtrim($S,"b"))").text, "");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"Rtrim(): text argument longer than 999 characters."});
}

class TextFunctionFailures : public FunctionTest,
                             public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(TextFunctionFailures, InvalidNumberStopsAndGivesFallback) {
  EXPECT_EQ(run(GetParam().first).text, GetParam().second);
  EXPECT_TRUE(doc.stopRequested());
  ASSERT_FALSE(ui.messages().empty());
  EXPECT_EQ(ui.messages()[0], "x : Invalid number.");
}

INSTANTIATE_TEST_SUITE_P(
    All, TextFunctionFailures,
    ::testing::Values(std::pair{R"(Rpad("ab","-","x"))", ""}, std::pair{R"(Lpad("ab","-","x"))", ""},
                      std::pair{R"(SubStr("abc","x",2))", ""}, std::pair{R"(SubStr("abc",1,"x"))", ""},
                      std::pair{R"(Repeat("ab","x"))", ""}, std::pair{R"(ToChar("%d","x"))", "%d"},
                      std::pair{R"(XlsNumToCol("x"))", "A"}));

TEST_F(TextFunctions, RepeatEvaluatesItsCountFirstAndRepeatAndReplaceReportWhatTheyWorkOn) {
  run(R"(Repeat(($Z=1)&"a","x"))");
  EXPECT_FALSE(doc.hasVariable("$Z"));
  EXPECT_TRUE(stepEvents().empty());
  run(R"(Repeat("ab",3))");
  EXPECT_TRUE(hasStep("Repeat(), will send 'ab', 3 times.", ""));
  run(R"(Replace("a-b-c","-","+"))");
  EXPECT_TRUE(hasStep("Replace() occurences of '-' by '+' in :", "a-b-c"));
}

}  // namespace
}  // namespace qlm::functiontest
