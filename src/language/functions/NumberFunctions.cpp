#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> numberFunctions() { return {}; }

}  // namespace qlm
