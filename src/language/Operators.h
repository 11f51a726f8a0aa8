#pragma once
#include "language/Interpreter.h"
#include "language/Value.h"

namespace qlm {

// Applies operator-table row `index` to the value so far and the right operand.
Value ApplyOperator(Interpreter& in, int index, const Value& left, const Value& right);

}  // namespace qlm
