#include "language/Builtins.h"

namespace qlm {

std::span<const BuiltinBinding> settingFunctions() { return {}; }

}  // namespace qlm
