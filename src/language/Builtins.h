#pragma once
// Bodies of the built-in functions. Each receives the interpreter, its index
// in the function table, its argument ranges (it decides which to evaluate,
// and when) and the result text, which starts empty; it returns the result's
// type letter. Bodies are grouped by theme, each theme a table of bindings
// by name; themes that need the desktop live in the playback layer and are
// added to the language's own by whoever builds an interpreter for playback.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "language/Interpreter.h"

namespace qlm {

using FunctionBody = char (*)(Interpreter& in, int index, Arguments args, std::string& result);

struct BuiltinBinding {
  std::string_view name;
  FunctionBody body;
};

std::span<const BuiltinBinding> textFunctions();
std::span<const BuiltinBinding> numberFunctions();
std::span<const BuiltinBinding> chronoFunctions();
std::span<const BuiltinBinding> fileFunctions();
std::span<const BuiltinBinding> controlFunctions();
std::span<const BuiltinBinding> settingFunctions();

// One body per row of the function table. Rows no theme binds get one that
// says the function is not available and stops the playback.
class FunctionBodies {
 public:
  explicit FunctionBodies(std::initializer_list<std::span<const BuiltinBinding>> themes);

  FunctionBody body(int index) const;
  bool available(int index) const;
  // Binding names that match no row, and rows bound twice: a misspelt or
  // repeated name would otherwise leave a function silently unavailable.
  const std::vector<std::string>& bindingErrors() const { return m_errors; }

 private:
  std::vector<FunctionBody> m_bodies;
  std::vector<std::string> m_errors;
};

// The themes that need no desktop.
const FunctionBodies& languageFunctionBodies();

}  // namespace qlm
