#include "language/OperatorTable.h"

#include <array>

namespace qlm {

namespace {

// clang-format off
constexpr std::array<OperatorInfo, kOperatorCount> kOperators{{
  {"==", "IAA", "Compare two integers or two strings.",
   "<Integer1/String1> == <Integer2/String2> return 1 if egals and 0 otherwise."},
  {"<=", "III", "Compare two integers.",
   "<Integer1> <= <Integer2> return 1 if smaller or egals and 0 otherwise."},
  {">=", "III", "Compare two integers.",
   "<Integer1> >= <Integer2> return 1 if greater or egals and 0 otherwise."},
  {"!=", "IAA", "Compare two integers or two strings.",
   "<Integer1/String1> != <Integer2/String2>  return 0 if egals and 1 otherwise."},
  {"<", "III", "Compare two integers.",
   "<Integer1> < <Integer2> return 1 if smaller and 0 otherwise."},
  {">", "III", "Compare two integers.",
   "<Integer1> > <Integer2> return 1 if greater and 0 otherwise."},
  {"=", "NVA", "Variable assignment",
   "$Variable=Integer1/String1"},
  {"&", "CCC", "Function Append strings",
   "<String1>&<String2> return <String1+String2>"},
  {"+", "III", "Function Add Number.",
   "<Number1>+<Number2> return <Number1+Number2>"},
  {"-", "III", "Function Soustraction",
   "<Number1>-<Number2> return <Number1-Number2>"},
  {"*", "III", "Function Multiplication",
   "<Number1>*<Number2> return <Number1*Number2>"},
  {"/", "III", "Function Division",
   "<Number1>/<Number2> return <Number1/Number2>"},
  {"%", "III", "Function Modulo",
   "<Number1>%<Number2> return <Number1 modulo Number2>"},
}};
// clang-format on

}  // namespace

std::span<const OperatorInfo> operatorTable() { return kOperators; }

int matchOperator(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return -1;
  // Every operator starts with one of these; most characters are not.
  constexpr std::string_view kFirstCharacters = "=<>!&+-*/%";
  if (kFirstCharacters.find(text[pos]) == std::string_view::npos) return -1;
  const std::string_view rest = text.substr(pos);
  for (std::size_t i = 0; i < kOperators.size(); ++i) {
    if (rest.starts_with(kOperators[i].symbol)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace qlm
