#include "language/Value.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qlm {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipBlanks(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  return pos;
}

// Length of "digits[.digits][e[sign]digits]" at `pos`; 0 when no digit.
std::size_t decimalLength(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  bool digits = false;
  while (end < text.size() && isDigit(text[end])) ++end, digits = true;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && isDigit(text[end])) ++end, digits = true;
  }
  if (!digits) return 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t exp = end + 1;
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    std::size_t expDigits = exp;
    while (expDigits < text.size() && isDigit(text[expDigits])) ++expDigits;
    if (expDigits > exp) end = expDigits;
  }
  return end - pos;
}

}  // namespace

double toReal(std::string_view text) {
  std::size_t pos = skipBlanks(text);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  std::size_t length = decimalLength(text, pos);
  if (length == 0) return 0.0;
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + pos, text.data() + pos + length, value);
  if (error == std::errc::result_out_of_range) {
    // A huge exponent overflows to infinity, a tiny one to zero, as strtod does.
    bool tiny = text.substr(pos, length).find("e-") != std::string_view::npos ||
                text.substr(pos, length).find("E-") != std::string_view::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  (void)end;
  return negative ? -value : value;
}

long long toInteger(std::string_view text) {
  std::size_t pos = skipBlanks(text);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (; pos < text.size() && isDigit(text[pos]); ++pos) {
    int digit = text[pos] - '0';
    if (value > (kMax - digit) / 10) return negative ? std::numeric_limits<long long>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string formatReal(double value) {
  char buffer[64];
  int length = std::snprintf(buffer, sizeof buffer, "%0.12g", value);
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::string formatInteger(long long value) { return std::to_string(value); }

void clampToValue(std::string& text) {
  if (text.size() > kMaxValueLength) text.resize(kMaxValueLength);
}

}  // namespace qlm
