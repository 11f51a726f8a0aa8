#pragma once
// Small helpers shared by the bodies of the built-in functions.
#include <cstddef>
#include <string>
#include <string_view>

#include "language/Interpreter.h"

namespace qlm::functions {

// Text and file-name functions accept arguments of at most this many
// characters; longer ones are refused rather than cut.
inline constexpr std::size_t kMaxTextArgument = 999;

// The stored form of the empty text.
inline constexpr std::string_view kEmptyText = "\"\"";

// Evaluates a text argument and checks it against kMaxTextArgument. A longer
// text shows a message naming the function and stops the playback.
bool limitedText(Interpreter& in, ArgumentRange argument, std::string_view function, std::string& text,
                 std::size_t limit = kMaxTextArgument);

// Reports the chosen branch of a condition, then evaluates it alone; its value
// and type are the function's result.
char runBranch(Interpreter& in, std::string_view function, ArgumentRange branch, std::string& result);

// The name of a variable written as an argument ("$LIST"), from its source text.
std::string variableName(const Interpreter& in, ArgumentRange argument);

}  // namespace qlm::functions
