#pragma once
// The lexer of the instruction language: classifies every character of an
// instruction text, normalises the text (spaces, letter case of known names),
// colours it, counts its instructions and computes the record flags.
// Whatever it cannot recognise keeps the class '?'; it never fails.
#include <string_view>

#include "language/AnalysisState.h"

namespace qlm {

// Character classes left in AnalysisState::classes.
inline constexpr char kClassUnknown = '?';
inline constexpr char kClassString = 'C';
inline constexpr char kClassMouseKey = 'M';
inline constexpr char kClassKeyboardKey = 'K';
inline constexpr char kClassOperator = 'O';
inline constexpr char kClassSeparator = ';';
inline constexpr char kClassComma = ',';
inline constexpr char kClassOpen = '(';
inline constexpr char kClassClose = ')';
inline constexpr char kClassFunction = 'F';
inline constexpr char kClassVariable = 'V';
inline constexpr char kClassLocation = 'L';
inline constexpr char kClassNumber = 'I';
inline constexpr char kClassSpace = ' ';

// Only the first AnalysisState::kMaxLength characters of text are analysed,
// and the space inserted behind a separator is left out once the text has
// reached that length. The selection is clamped to the text and kept on the
// same characters while spaces are removed or inserted.
void analyse(std::string_view text, int selectionStart, int selectionEnd, AnalysisState& out);

// Instruction k (1-based) of the analysed text, without its separator and the
// space behind it; {0, 0} when k is out of range. An empty instruction keeps
// its number and gives an empty span.
InstructionSpan instructionRange(const AnalysisState& state, int k);

}  // namespace qlm
