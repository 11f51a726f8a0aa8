#pragma once
// The built-in functions as data: name, signature, description and usage
// text, in the order that gives every function its index. The bodies are
// bound to the rows by index elsewhere.
//
// Signature: the first letter is the result ('V' nothing, 'C' text,
// 'I' number); each further letter is one argument ('I' number, 'C' text or
// branch, 'A' a variable written as such, 'V' any value).
#include <span>
#include <string_view>

namespace qlm {

struct FunctionInfo {
  std::string_view name;
  std::string_view signature;
  std::string_view description;
  std::string_view usage;

  int argumentCount() const { return static_cast<int>(signature.size()) - 1; }
  char resultLetter() const { return signature.front(); }
};

inline constexpr int kFunctionCount = 69;

std::span<const FunctionInfo> functionTable();

// Exact comparison in table order; -1 when no function has that name.
int findFunction(std::string_view exactName);
// The lexer's lookup: letter case ignored, first match in table order.
int findFunctionIgnoringCase(std::string_view name);

// Indices the lexer and the checker need by name.
inline constexpr int kFunctionIfImage = 2;
inline constexpr int kFunctionIfShape = 3;
inline constexpr int kFunctionGoTo = 5;
inline constexpr int kFunctionIfText = 67;
inline constexpr int kFunctionGetText = 68;

}  // namespace qlm
