#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> chronoFunctions() { return {}; }

}  // namespace qlm
