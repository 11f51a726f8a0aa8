#include "language/functions/PrintfFormat.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "language/Value.h"

namespace qlm::functions {
namespace {

struct Conversion {
  std::size_t start = 0;  // the '%'
  std::size_t end = 0;    // behind the letter
  std::string flags;
  long long width = -1;
  long long precision = -1;
  char letter = 0;
};

std::string_view allowedFlags(char letter) {
  switch (letter) {
    case 's': return "-";
    case 'd':
    case 'i': return "-+ 0";
    case 'u': return "-0";
    default: return "-+ 0#";
  }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

long long readNumber(std::string_view format, std::size_t& pos) {
  long long number = 0;
  for (; pos < format.size() && isDigit(format[pos]); ++pos) {
    number = number * 10 + (format[pos] - '0');
    if (number > static_cast<long long>(kMaxValueLength)) number = kMaxValueLength;
  }
  return number;
}

// Parses the conversion that starts at the '%' at `pos`.
std::optional<Conversion> readConversion(std::string_view format, std::size_t pos) {
  Conversion conversion;
  conversion.start = pos++;
  while (pos < format.size() && std::string_view("-+ 0#").find(format[pos]) != std::string_view::npos) {
    if (conversion.flags.find(format[pos]) == std::string::npos) conversion.flags += format[pos];
    ++pos;
  }
  if (pos < format.size() && isDigit(format[pos])) conversion.width = readNumber(format, pos);
  if (pos < format.size() && format[pos] == '.') conversion.precision = readNumber(format, ++pos);
  if (pos >= format.size() || std::string_view("sdiufgGeE").find(format[pos]) == std::string_view::npos) {
    return std::nullopt;
  }
  conversion.letter = format[pos];
  conversion.end = pos + 1;
  for (char flag : conversion.flags) {
    if (allowedFlags(conversion.letter).find(flag) == std::string_view::npos) return std::nullopt;
  }
  return conversion;
}

ConversionKind kindOf(char letter) {
  switch (letter) {
    case 's': return ConversionKind::Text;
    case 'd':
    case 'i': return ConversionKind::Integer;
    case 'u': return ConversionKind::Unsigned;
    default: return ConversionKind::Real;
  }
}

std::string cFormatOf(std::string_view format, const Conversion& conversion) {
  std::string result(format.substr(0, conversion.start));
  result += '%';
  result += conversion.flags;
  if (conversion.width >= 0) result += std::to_string(conversion.width);
  if (conversion.precision >= 0) result += '.' + std::to_string(conversion.precision);
  if (conversion.letter == 'd' || conversion.letter == 'i' || conversion.letter == 'u') result += "ll";
  result += conversion.letter;
  result += format.substr(conversion.end);
  return result;
}

template <typename T>
std::string formatOne(const std::string& cFormat, T argument) {
  int length = std::snprintf(nullptr, 0, cFormat.c_str(), argument);
  if (length < 0) return {};
  std::string result(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(result.data(), result.size(), cFormat.c_str(), argument);
  result.resize(static_cast<std::size_t>(length));
  clampToValue(result);
  return result;
}

std::string textOf(const FormatArgument& argument) {
  if (const auto* text = std::get_if<std::string>(&argument)) return *text;
  if (const auto* integer = std::get_if<long long>(&argument)) return std::to_string(*integer);
  return formatReal(std::get<double>(argument));
}

long long integerOf(const FormatArgument& argument) {
  if (const auto* integer = std::get_if<long long>(&argument)) return *integer;
  if (const auto* text = std::get_if<std::string>(&argument)) return std::strtoll(text->c_str(), nullptr, 10);
  double real = std::get<double>(argument);
  if (!(real == real)) return 0;
  return real >= 9.2e18 ? LLONG_MAX : real <= -9.2e18 ? LLONG_MIN : static_cast<long long>(real);
}

double realOf(const FormatArgument& argument) {
  if (const auto* real = std::get_if<double>(&argument)) return *real;
  if (const auto* integer = std::get_if<long long>(&argument)) return static_cast<double>(*integer);
  return std::strtod(std::get<std::string>(argument).c_str(), nullptr);
}

}  // namespace

std::optional<PrintfFormat> parsePrintfFormat(std::string_view format) {
  // printf would stop at a NUL and leave the rest unchecked.
  if (format.find('\0') != std::string_view::npos) return std::nullopt;
  std::optional<Conversion> found;
  for (std::size_t pos = 0; pos < format.size(); ++pos) {
    if (format[pos] != '%') continue;
    if (pos + 1 < format.size() && format[pos + 1] == '%') {
      ++pos;
      continue;
    }
    if (found) return std::nullopt;
    found = readConversion(format, pos);
    if (!found) return std::nullopt;
    pos = found->end - 1;
  }
  if (!found) return std::nullopt;
  return PrintfFormat{kindOf(found->letter), cFormatOf(format, *found)};
}

std::string applyFormat(const PrintfFormat& format, const FormatArgument& argument) {
  switch (format.kind) {
    case ConversionKind::Text:
      return formatOne(format.cFormat, textOf(argument).c_str());
    case ConversionKind::Integer:
      return formatOne(format.cFormat, integerOf(argument));
    case ConversionKind::Unsigned:
      return formatOne(format.cFormat, static_cast<unsigned long long>(integerOf(argument)));
    case ConversionKind::Real:
      return formatOne(format.cFormat, realOf(argument));
  }
  return {};
}

}  // namespace qlm::functions
