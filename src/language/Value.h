#pragma once
// Every value of the instruction language is a text with a one-letter type:
// 'C' text, 'I' number (decimal text), 'V' variable name or nothing, 'L'
// location, '?' nothing evaluated. Numbers travel as text and are converted
// at the moment an operator or function needs them.
#include <cstddef>
#include <string>
#include <string_view>

namespace qlm {

inline constexpr std::size_t kMaxValueLength = 9998;

struct Value {
  std::string text;
  char type = '?';
};

// The leading part that reads as a decimal floating-point number; else 0.
double toReal(std::string_view text);
// The leading part that reads as a decimal integer (saturating); else 0.
long long toInteger(std::string_view text);
// printf "%0.12g": at most 12 significant digits, no trailing zeros.
std::string formatReal(double value);
std::string formatInteger(long long value);

// Cuts a text to what a value can hold.
void clampToValue(std::string& text);

}  // namespace qlm
