#pragma once
// The functions that act on the desktop, added to the language's own for
// every interpreter that plays.
#include <span>

#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> desktopFunctions();
std::span<const BuiltinBinding> imageFunctions();

const FunctionBodies& playbackFunctionBodies();

}  // namespace qlm
