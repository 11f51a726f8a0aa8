#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> desktopFunctions() { return {}; }

}  // namespace qlm
