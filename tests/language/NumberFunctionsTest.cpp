#include <gtest/gtest.h>

#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

class NumberFunctionCases : public FunctionTableTest {};

TEST_P(NumberFunctionCases, GivesExpectedValue) { expectCase(); }

INSTANTIATE_TEST_SUITE_P(
    All, NumberFunctionCases,
    ::testing::Values(EvalCase{"Min(3,5)", "3", 'I'}, EvalCase{"Min(-2.5,1)", "-2.5", 'I'},
                      EvalCase{"Min(1/3,1)", "0.333333333333", 'I'}, EvalCase{"Max(3,5)", "5", 'I'},
                      EvalCase{R"(Max("7","10"))", "10", 'I'}, EvalCase{"Max(-1,-2)", "-1", 'I'},
                      EvalCase{"Abs(-2.5)", "2.5", 'I'}, EvalCase{"Abs(3)", "3", 'I'}, EvalCase{"Abs(0)", "0", 'I'},
                      EvalCase{"Int(2.7)", "2", 'I'}, EvalCase{"Int(-2.7)", "-2", 'I'},
                      EvalCase{R"(Int(""))", "0", 'I'}, EvalCase{"Sgn(-3)", "-1", 'I'}, EvalCase{"Sgn(0)", "0", 'I'},
                      EvalCase{"Sgn(0.1)", "1", 'I'}, EvalCase{R"(Sgn("abc"))", "0", 'I'},
                      EvalCase{"Random(0)", "0", 'I'}));

using NumberFunctions = FunctionTest;

TEST_F(NumberFunctions, RandomMixesTheTimeOfDayAndIsZeroInTheFirstMinute) {
  clock.setLocalTime({2026, 3, 5, 10, 20, 30, 0});  // P = 6000
  EXPECT_EQ(run("Random(10)").text, "4");
  EXPECT_EQ(run("Random(-7)").text, "5");
  EXPECT_EQ(run("Random(9000000000000000000)").text, "4090909090909096909");
  EXPECT_EQ(run("Random(10)").type, 'I');
  clock.setLocalTime({2026, 3, 5, 14, 0, 45, 0});
  EXPECT_EQ(run("Random(100)").text, "0");
}

class NumberFunctionFailures : public FunctionTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(NumberFunctionFailures, InvalidNumberStopsAndGivesZero) {
  Value v = run(GetParam());
  EXPECT_EQ(std::pair(v.text, v.type), std::pair(std::string("0"), 'I'));
  EXPECT_TRUE(doc.stopRequested());
  const std::string number = GetParam().find("1.2.3") != std::string::npos ? "1.2.3" : "x";
  EXPECT_EQ(ui.messages(), std::vector<std::string>{number + " : Invalid number."});
}
INSTANTIATE_TEST_SUITE_P(
    All, NumberFunctionFailures,
    ::testing::Values(R"(Min("1.2.3",1))", R"(Min(1,"1.2.3"))", R"(Max("1.2.3",1))", R"(Abs("1.2.3"))",
                      R"(Sgn("1.2.3"))", R"(Int("x"))", R"(Random("x"))"));

}  // namespace
}  // namespace qlm::functiontest
