#include "language/KeyNotation.h"

#include <gtest/gtest.h>

#include <string>

namespace qlm {
namespace {

TEST(KeyTables, HaveTheirSizesAndHomeTwice) {
  const auto keys = keyboardKeyTable();
  ASSERT_EQ(keys.size(), 47u);
  ASSERT_EQ(mouseKeyTable().size(), 4u);
  EXPECT_EQ(keys[27].notation, "V[HOME]");
  EXPECT_EQ(keys[30].notation, "V[HOME]");
  EXPECT_EQ(keys[46].notation, "V[APPS]");
  EXPECT_EQ(findKeyByNotation("V[HOME]"), &keys[27]);
}

TEST(KeyTables, PrefixFollowsKind) {
  for (const KeyEntry& entry : keyboardKeyTable()) {
    SCOPED_TRACE(std::string(entry.notation));
    EXPECT_EQ(entry.notation.front() == '/', entry.kind == KeyAction::Release);
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
  EXPECT_EQ(match->mouse, c.mouse);
  EXPECT_EQ(match->index, c.index);
  EXPECT_EQ(match->length, c.length);
  EXPECT_EQ(match->prefix, c.text[c.pos]);
}

INSTANTIATE_TEST_SUITE_P(
    Notations, MatchNotationTest,
    ::testing::Values(MatchCase{"V[RETURN]", 0, true, false, 8, 9},
                      MatchCase{"\\[RETURN]", 0, true, false, 8, 9},
                      MatchCase{"/[RETURN]", 0, false, false, 0, 0},
                      MatchCase{"V[F10]", 0, true, false, 22, 6},
                      MatchCase{"V[F1]0", 0, true, false, 13, 5},
                      MatchCase{"V[CTRL]", 0, true, false, 0, 7},
                      MatchCase{"/[CTRL]", 0, true, false, 1, 7},
                      MatchCase{"V[HOME]", 0, true, false, 27, 7},
                      MatchCase{"V[LBUTTON]", 0, true, true, 0, 10},
                      MatchCase{"/[RBUTTON]", 0, true, true, 3, 10},
                      MatchCase{"abcV[TAB]x", 3, true, false, 9, 6},
                      MatchCase{"v[RETURN]", 0, false, false, 0, 0},
                      MatchCase{"V[return]", 0, false, false, 0, 0},
                      MatchCase{"V[UP", 0, false, false, 0, 0},
                      MatchCase{"V[UP]", 5, false, false, 0, 0}));

TEST(MatchNotation, IgnoringCaseComparesOnlyTheName) {
  const auto match = matchNotation("\\[lbutton]", 0, LetterCase::Ignore);
  ASSERT_TRUE(match);
  EXPECT_TRUE(match->mouse);
  EXPECT_EQ(match->index, 0);
  EXPECT_FALSE(matchNotation("v[return]", 0, LetterCase::Ignore));
}

TEST(FindKeyByNotation, IsExact) {
  const KeyEntry* f12 = findKeyByNotation("V[F12]");
  ASSERT_NE(f12, nullptr);
  EXPECT_EQ(f12->virtualKey, 123);
  EXPECT_EQ(findKeyByNotation("v[f12]"), nullptr);
  EXPECT_EQ(findKeyByNotation("nonsense"), nullptr);
  EXPECT_EQ(findKeyByNotation("V[LBUTTON]"), nullptr);
  const EndKey end;  // the end key starts as End
  EXPECT_EQ(std::pair(end.notation, findKeyByNotation(end.notation)->virtualKey), std::pair(std::string("V[END]"), 35));
  EXPECT_EQ(end.virtualKey, 35);
}

}  // namespace
}  // namespace qlm
