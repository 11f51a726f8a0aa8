#pragma once
// Bodies of the built-in functions. Each receives the interpreter, its index
// in the function table, its argument ranges (it decides which to evaluate,
// and when) and the result text, which starts empty; it returns the result's
// type letter. Bodies are grouped by theme, each theme a table of bindings.
#include <span>
#include <string>
#include <string_view>

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
std::span<const BuiltinBinding> desktopFunctions();
std::span<const BuiltinBinding> imageFunctions();

// The body bound to function-table row `index`; functions that this build
// cannot run get one that says so and stops the playback.
FunctionBody builtinBody(int index);
bool builtinAvailable(int index);

}  // namespace qlm
