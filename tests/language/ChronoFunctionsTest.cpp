#include <gtest/gtest.h>

#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

using ChronoFunctions = FunctionTest;

TEST_F(ChronoFunctions, ResetChronoGivesNothingOfTypeV) {
  Value v = eval("ResetChrono()");
  EXPECT_EQ(v.text, "");
  EXPECT_EQ(v.type, 'V');
}

TEST_F(ChronoFunctions, GetChronoReadsTheTimeSinceTheReset) {
  clock.advance(5000);
  eval("ResetChrono()");
  clock.advance(2500);
  Value v = eval(R"(GetChrono("%S.%MS"))");
  EXPECT_EQ(v.text, "02.500");
  EXPECT_EQ(v.type, 'C');
}

TEST_F(ChronoFunctions, EmptyFormatShowsHoursToMilliseconds) {
  eval("ResetChrono()");
  clock.advance(((1 * 60 + 2) * 60 + 3) * 1000LL + 4);
  EXPECT_EQ(eval(R"(GetChrono(""))").text, "01:02:03.004");
}

TEST_F(ChronoFunctions, MillisecondsAreReplacedBeforeMinutes) {
  eval("ResetChrono()");
  clock.advance(7 * 60'000 + 89);
  EXPECT_EQ(eval(R"(GetChrono("%M min %MS ms %M"))").text, "07 min 089 ms 07");
}

TEST_F(ChronoFunctions, HoursWrapAtADay) {
  eval("ResetChrono()");
  clock.advance(25 * 3'600'000LL);
  EXPECT_EQ(eval(R"(GetChrono("%H"))").text, "01");
}

TEST_F(ChronoFunctions, TheDocumentStartsTheChronometer) {
  clock.advance(1000);
  EXPECT_EQ(eval(R"(GetChrono("%S"))").text, "01");
}

}  // namespace
}  // namespace qlm::functiontest
