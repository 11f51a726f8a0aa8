#include <gtest/gtest.h>

#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

struct ChronoCase {
  std::int64_t elapsedMs;
  std::string format;
  std::string text;
};

void PrintTo(const ChronoCase& c, std::ostream* os) { *os << c.format << " after " << c.elapsedMs << " ms"; }

class ChronoReadings : public FunctionTest, public ::testing::WithParamInterface<ChronoCase> {};

TEST_P(ChronoReadings, ReadTheTimeSinceTheReset) {
  clock.advance(5000);
  run("ResetChrono()");
  clock.advance(GetParam().elapsedMs);
  Value v = run("GetChrono(\"" + GetParam().format + "\")");
  EXPECT_EQ(v.text, GetParam().text);
  EXPECT_EQ(v.type, 'C');
}

INSTANTIATE_TEST_SUITE_P(All, ChronoReadings,
                         ::testing::Values(ChronoCase{2500, "%S.%MS", "02.500"},
                                           ChronoCase{((1 * 60 + 2) * 60 + 3) * 1000LL + 4, "", "01:02:03.004"},
                                           ChronoCase{7 * 60'000 + 89, "%M min %MS ms %M", "07 min 089 ms 07"},
                                           ChronoCase{25 * 3'600'000LL, "%H", "01"}));

TEST_F(FunctionTest, TheDocumentStartsTheChronometer) {
  clock.advance(1000);
  EXPECT_EQ(run(R"(GetChrono("%S"))").text, "01");
  const Value reset = run("ResetChrono()");
  EXPECT_EQ(std::pair(reset.text, reset.type), std::pair(std::string(), 'V'));
  const Value wait = run("SetWaitOnMouseMove(5)");
  EXPECT_EQ(std::pair(wait.text, wait.type), std::pair(std::string("Template"), 'V'));
}

}  // namespace
}  // namespace qlm::functiontest
