#pragma once
// What the function table does not say about a function: what it does, its
// errors, and one example a user can copy. Shown by `qlm help NAME` and in
// docs/language.md.
#include <string_view>

namespace qlm {

struct FunctionGuide {
  std::string_view name;
  std::string_view behaviour;
  std::string_view example;
};

// Null when the function has no guide entry.
const FunctionGuide* findFunctionGuide(std::string_view name);

}  // namespace qlm
