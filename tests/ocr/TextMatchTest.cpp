#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ocr/GreyImage.h"
#include "ocr/TextMatch.h"

namespace qlm {
namespace {

struct MatchCase {
  const char* recognised;
  const char* pattern;
  bool matched;
};

// Each row is a way the one-pass match can go wrong.
constexpr MatchCase kMatchCases[] = {
    {"", "", false},                  // nothing recognised
    {"ab", "abc", false},             // pattern longer than the text
    {"\n", "", true},                 // an empty pattern matches any text
    {"Total\n", "Total", true},
    {"xxTotalxx", "Total", true},
    {"Tota1", "TOTAL", true},         // case, and L/1 as the last letter
    {"a_bc", "abc", true},            // the mark passed over
    {"a_xc", "abc", true},            // the mark and the next character stand for b
    {"a_c", "abc", false},            // c used up against b
    {"a~bc", "abc", true},            // "~" reads as the mark
    {"a\x7f" "bc", "abc", true},      // and so does code 127
    {"aaab", "aab", false},           // no retry after a mismatch
    {"a\nb", "ab", true},             // line breaks do not count
    {"a\xe9" "b", "ab", true},        // nor bytes outside ASCII
    {"a b", "ab", false},             // a blank does
    {"!", "A", true},                 // codes 32 apart
    {"abd", "abc", false},
    {"_____", "xyz", false},          // unknown marks alone, one each
    {"%", "\xe9", true},              // é in the pattern against its look-alike
    {"%", "\xe8", true},              // è
};

TEST(TextMatch, FollowsTheOnePassRules) {
  for (const MatchCase& c : kMatchCases) {
    SCOPED_TRACE(std::string(c.recognised) + " against " + c.pattern);
    EXPECT_EQ(matchText(c.recognised, c.pattern).matched, c.matched);
  }
}

TEST(TextMatch, EachLookAlikePairMatchesBothWaysAndOnlyItsPartner) {
  const std::string first = "OoSs%%s999lL8iDZQD";
  const std::string second = "0055\xe9\xe8ggs511aj02ab";
  for (std::size_t i = 0; i < first.size(); ++i) {
    SCOPED_TRACE(std::to_string(i + 1));
    if (static_cast<unsigned char>(second[i]) < 128) {
      EXPECT_TRUE(matchText(std::string(1, second[i]), std::string(1, first[i])).matched);
    }
    EXPECT_TRUE(matchText(std::string(1, first[i]), std::string(1, second[i])).matched);
  }
  EXPECT_FALSE(matchText("O", "Q").matched);
  EXPECT_FALSE(matchText("1", "I").matched);
}

TEST(TextMatch, TellsWhereTheMatchBegins) {
  EXPECT_EQ(matchText("xxTotal", "total").start, 2u);
  EXPECT_EQ(matchText("Toxx Total", "Total").start, 5u);
  EXPECT_EQ(matchText("abc", "").start, std::nullopt);
}

struct ResultCase {
  std::string recognised;
  std::string filter;
  std::string result;
};

TEST(TextResult, IsTheTextWithOkOrTheComparisonWithBothLengths) {
  const std::string longFilter(200, 'x');
  const ResultCase cases[] = {
      {"Total\n", "", "Total\n:OK"},
      {"", "", "<><[0,0]"},
      {"Total\n", "Price", "Total\n<>Price<[6,5]"},
      {"Tota1\n", "TOTAL", "Tota1\n:OK"},
      // The filter is held in 187 characters.
      {"y", longFilter, "y<>" + longFilter.substr(0, 187) + "<[1,187]"},
      {std::string(300, 'x'), longFilter, std::string(300, 'x') + ":OK"},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.recognised + " against " + c.filter.substr(0, 10));
    EXPECT_EQ(textResult(c.recognised, c.filter), c.result);
  }
}

// Each pair of rows lies on either side of a level; the last ones need every term's rounding.
TEST(GreyConversion, KeepsTheTopTwoBitsOfTheWeightedGreyOfEveryColour) {
  const std::array<int, 4> cases[] = {{127, 0, 0, 0},     {128, 0, 0, 64},      {0, 164, 0, 0},    {0, 165, 0, 64},
                                      {0, 0, 255, 0},     {128, 128, 128, 128}, {255, 255, 255, 192}, {1, 87, 250, 0},
                                      {2, 87, 250, 64},   {0, 90, 250, 64},     {0, 89, 250, 0}};
  for (auto [r, g, b, grey] : cases) {
    SCOPED_TRACE(std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b));
    EXPECT_EQ(greyLevel(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)), grey);
  }
}

TEST(GreyConversion, CutsTheAreaTopDownAndRefusesOneThatLeavesTheCapture) {
  Picture capture{6, 4, 32, {}};
  for (std::size_t i = 0; i < capture.pixelBytes(); ++i) capture.pixels.push_back(static_cast<std::uint8_t>(i * 37));
  const std::optional<GreyImage> area = greyArea(capture, Rect{2, 1, 5, 3});
  ASSERT_TRUE(area);
  ASSERT_EQ(area->width, 3);
  ASSERT_EQ(area->height, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t* p = capture.rowFromTop(y + 1) + 4 * (x + 2);
      EXPECT_EQ(area->at(x, y), greyLevel(p[2], p[1], p[0])) << x << "," << y;
    }
  }
  for (const Rect& outside : {Rect{4, 0, 7, 2}, Rect{-1, 0, 2, 2}, Rect{0, 3, 2, 5}, Rect{2, 2, 2, 3}}) {
    SCOPED_TRACE(std::to_string(outside.left) + "," + std::to_string(outside.top));
    EXPECT_FALSE(greyArea(capture, outside));
  }
}

}  // namespace
}  // namespace qlm
