#pragma once
// The format of ToChar is user text handed to printf. Only formats whose
// single conversion is known to be safe for the argument we pass get there.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace qlm::functions {

enum class ConversionKind { Text, Integer, Unsigned, Real };

struct PrintfFormat {
  ConversionKind kind = ConversionKind::Text;
  std::string cFormat;  // for snprintf with exactly one argument of `kind`
};

// Accepts literal text, "%%" and at most one conversion made of the flags
// "-+ 0#" (those that suit its letter), a width, a precision and one letter of
// "sdiufgGeE". Width and precision are cut to what a value can hold.
// Anything else (two conversions, %n, '*', length modifiers) gives nullopt.
std::optional<PrintfFormat> parsePrintfFormat(std::string_view format);

// The argument is converted to what the conversion expects, whatever form it
// comes in, so that printf never reads an argument of another type.
using FormatArgument = std::variant<std::string, long long, double>;
std::string applyFormat(const PrintfFormat& format, const FormatArgument& argument);

}  // namespace qlm::functions
