#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> fileFunctions() { return {}; }

}  // namespace qlm
