#pragma once
// The binary operators as data. Signature: result, left and right letter
// ('A' any type, 'V' a variable, 'N' no value). Two-character operators come
// first so that "==" is never read as "=".
#include <cstddef>
#include <span>
#include <string_view>

namespace qlm {

struct OperatorInfo {
  std::string_view symbol;
  std::string_view signature;
  std::string_view description;
  std::string_view usage;

  int length() const { return static_cast<int>(symbol.size()); }
  char leftLetter() const { return signature[1]; }
  char rightLetter() const { return signature[2]; }
};

inline constexpr int kOperatorCount = 13;

std::span<const OperatorInfo> operatorTable();

// The first operator, in table order, that the text starts with at pos; -1 when none.
int matchOperator(std::string_view text, std::size_t pos);

}  // namespace qlm
