#include "language/KeyNotation.h"

#include <gtest/gtest.h>

#include <string>

namespace qlm {
namespace {

// Home has two rows; lookups find the first.
TEST(KeyTables, HaveTheirSizesAndAReleasePrefixOnReleaseRowsOnly) {
  const auto keys = keyboardKeyTable();
  ASSERT_EQ(keys.size(), 47u);
  EXPECT_EQ(mouseKeyTable().size(), 4u);
  EXPECT_EQ(findKeyByNotation("V[HOME]"), &keys[27]);
  for (const KeyEntry& entry : keys) {
    EXPECT_EQ(entry.notation.front() == '/', entry.kind == KeyAction::Release) << entry.notation;
  }
}

struct MatchCase {
  const char* text;
  std::size_t pos;
  bool found;
  bool mouse;
  int index;
  int length;
};

class MatchNotationTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchNotationTest, FindsTheFirstFittingEntry) {
  const MatchCase& c = GetParam();
  const auto match = matchNotation(c.text, c.pos);
  ASSERT_EQ(match.has_value(), c.found);
  if (!c.found) return;
  EXPECT_EQ(std::tuple(match->mouse, match->index, match->length, match->prefix),
            std::tuple(c.mouse, c.index, c.length, c.text[c.pos]));
}

INSTANTIATE_TEST_SUITE_P(
    Notations, MatchNotationTest,
    ::testing::Values(MatchCase{"V[RETURN]", 0, true, false, 8, 9}, MatchCase{"\\[RETURN]", 0, true, false, 8, 9},
                      MatchCase{"/[RETURN]", 0, false, false, 0, 0}, MatchCase{"V[F10]", 0, true, false, 22, 6},
                      MatchCase{"V[F1]0", 0, true, false, 13, 5}, MatchCase{"V[CTRL]", 0, true, false, 0, 7},
                      MatchCase{"/[CTRL]", 0, true, false, 1, 7}, MatchCase{"V[HOME]", 0, true, false, 27, 7},
                      MatchCase{"V[LBUTTON]", 0, true, true, 0, 10}, MatchCase{"/[RBUTTON]", 0, true, true, 3, 10},
                      MatchCase{"abcV[TAB]x", 3, true, false, 9, 6}, MatchCase{"v[RETURN]", 0, false, false, 0, 0},
                      MatchCase{"V[return]", 0, false, false, 0, 0}, MatchCase{"V[UP", 0, false, false, 0, 0},
                      MatchCase{"V[UP]", 5, false, false, 0, 0}));

TEST(MatchNotation, IgnoringCaseComparesOnlyTheNameAndFindKeyByNotationIsExact) {
  const auto match = matchNotation("\\[lbutton]", 0, LetterCase::Ignore);
  ASSERT_TRUE(match);
  EXPECT_TRUE(match->mouse && match->index == 0);
  EXPECT_FALSE(matchNotation("v[return]", 0, LetterCase::Ignore));
  ASSERT_NE(findKeyByNotation("V[F12]"), nullptr);
  EXPECT_EQ(findKeyByNotation("V[F12]")->virtualKey, 123);
  for (const char* notation : {"v[f12]", "nonsense", "V[LBUTTON]"}) EXPECT_EQ(findKeyByNotation(notation), nullptr);
}

}  // namespace
}  // namespace qlm
