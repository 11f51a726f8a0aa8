#pragma once
// IfText and GetText: reading the target's screen by text recognition.
#include <span>

#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> textRecognitionFunctions();

}  // namespace qlm
