#pragma once
// Every built-in function the program has: the playback's own and those of
// the layers above it.
#include "language/Builtins.h"

namespace qlm {

const FunctionBodies& programFunctionBodies();

}  // namespace qlm
