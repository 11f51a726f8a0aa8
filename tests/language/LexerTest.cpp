#include "language/Lexer.h"

#include <gtest/gtest.h>

#include <string>

namespace qlm {
namespace {

AnalysisState analysed(std::string_view text, int selectionStart = 0, int selectionEnd = 0) {
  AnalysisState state;
  analyse(text, selectionStart, selectionEnd, state);
  return state;
}

struct NormaliseCase {
  const char* input;
  const char* text;
  const char* classes;
  int instructions = 1;
};

void PrintTo(const NormaliseCase& c, std::ostream* os) { *os << c.input; }

class LexerClassesTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(LexerClassesTest, NormalisesAndClassifies) {
  const NormaliseCase& c = GetParam();
  const AnalysisState state = analysed(c.input);
  EXPECT_EQ(std::tuple(state.text, state.classes, state.instructionCount),
            std::tuple(c.text, c.classes, c.instructions));
  EXPECT_EQ(std::pair(state.types.size(), state.textColours.size()), std::pair(state.text.size(), state.text.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LexerClassesTest,
    ::testing::Values(
        NormaliseCase{"$x = 3 ;Wait( 100 )", "$X=3; Wait(100)", "VVOI; FFFF(III)", 2},
        NormaliseCase{"\"HelloV[return]\"", "\"HelloV[RETURN]\"", "CCCCCCKKKKKKKKKC"},
        NormaliseCase{"\"Hellov[RETURN]\"", "\"Hellov[RETURN]\"", "CCCCCCCCCCCCCCCC"},
        NormaliseCase{"\"\\[ctrl]a/[CTRL]\"", "\"\\[CTRL]a/[CTRL]\"", "CKKKKKKKCKKKKKKKC"},
        NormaliseCase{"\"/[return]\"", "\"/[return]\"", "CCCCCCCCCCC"},
        NormaliseCase{"\"V[F10]\"", "\"V[F10]\"", "CKKKKKKC"},
        NormaliseCase{"\"V[lButton]\"", "\"V[LBUTTON]\"", "CMMMMMMMMMMC"},
        NormaliseCase{"wait(100)", "Wait(100)", "FFFF(III)"},
        NormaliseCase{"GETTEXT(\"\")", "GetText(\"\")", "FFFFFFF(CC)"},
        NormaliseCase{"\"a\"\"b\"", "\"a\"\"b\"", "CCCCCC"}, NormaliseCase{"\"abc", "\"abc", "????"},
        NormaliseCase{"\"a b\" ; \"c", "\"a b\"; \"c", "CCCCC; ??", 2}, NormaliseCase{"-5+3", "-5+3", "IIOI"},
        NormaliseCase{"5-3", "5-3", "IOI"}, NormaliseCase{"5--3", "5--3", "IOII"},
        NormaliseCase{"Min(-1,2)", "Min(-1,2)", "FFF(II,I)"}, NormaliseCase{"$a-1", "$A-1", "VVOI"},
        NormaliseCase{"1; -2", "1; -2", "I; II", 2}, NormaliseCase{"1.5+.5", "1.5+.5", "IIIOII"},
        NormaliseCase{".", ".", "?"}, NormaliseCase{"1.2.3", "1.2.3", "III??"},
        NormaliseCase{"$my_var1&:loop", "$MY_VAR1&:LOOP", "VVVVVVVVOLLLLL"}, NormaliseCase{"$ :", "$:", "??"},
        NormaliseCase{"a==b!=c<=d", "a==b!=c<=d", "?OO?OO?OO?"},
        NormaliseCase{"If(Min(1,2),3,4)", "If(Min(1,2),3,4)", "FF(FFF(I,I),I,I)"},
        NormaliseCase{"(If(1,2,3))", "(If(1,2,3))", "(FF(I?I?I))"}, NormaliseCase{"1,2", "1,2", "I?I"},
        NormaliseCase{"(()", "(()", "?()"}, NormaliseCase{"())", "())", "()?"},
        NormaliseCase{"(1;2)", "(1; 2)", "?I; I?", 2}, NormaliseCase{"Wait(", "Wait(", "?????"},
        NormaliseCase{"xWait(1)", "xWait(1)", "?FFFF(I)"}, NormaliseCase{"a;", "a; ", "?; ", 2},
        NormaliseCase{"", "", ""}, NormaliseCase{"\"a;b\"", "\"a;b\"", "CCCCC"},
        NormaliseCase{"\"a\";; \"b\"", "\"a\"; ; \"b\"", "CCC; ; CCC", 3}));

// The editor hands the state its own text back: analysing it in place must see the old text.
TEST(Lexer, NormalisedTextAnalysesToItselfInPlace) {
  AnalysisState state;
  state.text = "$x = 3 ;wait( 100 );\"aV[tab]\" & :loc";
  analyse(state.text, 0, 0, state);
  EXPECT_EQ(state.text, "$X=3; Wait(100); \"aV[TAB]\"&:LOC");
  const std::string classes = state.classes;
  analyse(state.text, 0, 0, state);
  EXPECT_EQ(state.text, "$X=3; Wait(100); \"aV[TAB]\"&:LOC");
  EXPECT_EQ(state.classes, classes);
}

TEST(Lexer, FunctionNamesTakeTheResultLetterAsType) {
  const AnalysisState state = analysed("StrLen(\"a\")+GetClipboard()");
  EXPECT_EQ(state.types.substr(0, 6), "IIIIII");
  EXPECT_EQ(state.types.substr(12, 12), "CCCCCCCCCCCC");
  EXPECT_EQ(state.types[6], '(');
  EXPECT_EQ(state.types[10], ')');
}

TEST(Lexer, ColoursFollowTheClasses) {
  const AnalysisState state = analysed("\"aV[TAB]\"; (If(1,2,3))");
  EXPECT_NE(state.textColours[0], state.textColours[2]);
  // The blank behind a separator takes its colours; a stray comma has its own red.
  EXPECT_EQ(state.textColours[10], state.textColours[9]);
  EXPECT_EQ(state.backColours[10], state.backColours[9]);
  EXPECT_EQ(state.textColours[16], (Rgb{250, 0, 0}));
  for (const Rgb& colour : analysed("\"abc").textColours) EXPECT_EQ(colour, (Rgb{255, 0, 0}));
}

TEST(Lexer, SelectionMovesWithRemovedAndInsertedSpacesAndStaysInTheText) {
  // "$x = 3 ;Wait( 100 )" with the caret before W (8) and the selection up to its end.
  const AnalysisState state = analysed("$x = 3 ;Wait( 100 )", 8, 19);
  EXPECT_EQ(std::pair(state.selectionStart, state.selectionEnd), std::pair(6, 15));
  EXPECT_EQ(state.text.substr(6), "Wait(100)");
  const AnalysisState behind = analysed("1;2", 2, 2);  // behind a separator: behind its space
  EXPECT_EQ(std::pair(behind.text, behind.selectionStart), std::pair(std::string("1; 2"), 3));
  const AnalysisState clamped = analysed("ab", -4, 99);
  EXPECT_EQ(std::pair(clamped.selectionStart, clamped.selectionEnd), std::pair(0, 2));
}
struct FlagCase {
  const char* text;
  int conditionLevel;
  int clickFlag;
  int textFlag;
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.text; }

class LexerFlagsTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(LexerFlagsTest, ComputesRecordFlags) {
  const FlagCase& c = GetParam();
  const AnalysisState state = analysed(c.text);
  EXPECT_EQ(std::tuple(state.flags.conditionLevel, state.flags.clickFlag, state.flags.textFlag),
            std::tuple(c.conditionLevel, c.clickFlag, c.textFlag));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LexerFlagsTest,
    ::testing::Values(FlagCase{"\"abc\"", 0, 0, 0}, FlagCase{"\"V[LBUTTON]\"", 0, 1, 0},
                      FlagCase{"IfShape(5,\"x\",\"y\")", 2, 0, 0},
                      FlagCase{"IfShape(5,\"\",\"\"); IfImage(5,\"\",\"\")", 3, 0, 0},
                      FlagCase{"IfText(\"a\",5,\"\",\"\")&IfImage(1,\"\",\"\")", 4, 0, 0},
                      FlagCase{"IfImage(5,\"V[LBUTTON]\",\"\")", 3, 2, 0},
                      FlagCase{"IfImage(5,\"\",\"V[LBUTTON]\")", 3, 1, 0},
                      FlagCase{"IfShape(5,If(1,\"V[RBUTTON]\",\"\"),\"\")", 2, 1, 2},
                      FlagCase{"IfText(\"a\",5,\"V[LBUTTON]\",\"\")", 4, 2, 0},
                      FlagCase{"IfText(\"a\",5,\"\",\"V[LBUTTON]\")", 4, 1, 0},
                      FlagCase{"IfImage(5,Wait(1),\"\")", 3, 0, 0},
                      FlagCase{"IfImage(5,Wait(1),\"\")&GetText(\"\")", 3, 0, 2},
                      FlagCase{"IfImage(5,Wait(1),\"\")&\"V[LBUTTON]\"", 3, 1, 2}, FlagCase{"GetText(\"\")", 0, 0, 1},
                      FlagCase{"\"V[LBUTTON]\"&GetText(\"\")", 0, 1, 1}));

TEST(instructionRange, SkipsSeparatorAndSpaceAndIsEmptyOutOfRange) {
  const AnalysisState state = analysed("\"a\";; \"b\"");
  ASSERT_EQ(state.text, "\"a\"; ; \"b\"");
  ASSERT_EQ(state.instructionCount, 3);
  auto range = [&](int k) {
    const InstructionSpan span = instructionRange(state, k);
    return std::pair(span.start, span.end);
  };
  EXPECT_EQ(range(1), std::pair(0, 3));
  EXPECT_FALSE(instructionRange(state, 2).nonEmpty());
  EXPECT_EQ(range(3), std::pair(7, 10));
  for (int k : {-1, 0, 4, 100}) EXPECT_EQ(range(k), std::pair(0, 0)) << k;
  EXPECT_FALSE(instructionRange(analysed("1;"), 2).nonEmpty());
}
TEST(LexerLimits, AnalysesTheFirstThousandCharacters) {
  const std::string text(1500, '1');
  const AnalysisState state = analysed(text, 1400, 1500);
  EXPECT_EQ(state.length(), AnalysisState::kMaxLength);
  EXPECT_EQ(state.selectionStart, AnalysisState::kMaxLength);
  EXPECT_EQ(state.classes, std::string(1000, 'I'));
}

TEST(LexerLimits, SeparatorSpacesNeverGrowPastTheLimit) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "1;";
  const AnalysisState state = analysed(text);
  EXPECT_EQ(state.length(), AnalysisState::kMaxLength);
  EXPECT_EQ(state.instructionCount, 401);
  // The first 200 separators get their space; the rest keep the text as it is.
  EXPECT_EQ(state.text.substr(0, 6), "1; 1; ");
  EXPECT_EQ(state.text.substr(597, 6), "1; 1;1");
  EXPECT_EQ(state.text.substr(994), "1;1;1;");
  for (int k : {1, 200, 201, 202, 400}) {
    const InstructionSpan span = instructionRange(state, k);
    EXPECT_EQ(state.text.substr(span.start, span.end - span.start), "1") << k;
  }
  EXPECT_FALSE(instructionRange(state, 401).nonEmpty());
}

}  // namespace
}  // namespace qlm
