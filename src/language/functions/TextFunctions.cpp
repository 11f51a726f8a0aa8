#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> textFunctions() { return {}; }

}  // namespace qlm
