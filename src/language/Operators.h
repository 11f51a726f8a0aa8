#pragma once
#include <string>
#include <vector>

#include "language/Interpreter.h"
#include "language/Value.h"

namespace qlm {

// Applies operator-table row `index` to the value so far and the right operand.
Value applyOperator(Interpreter& in, int index, const Value& left, const Value& right);
// Rows without a body and bodies without a row; empty in a sound build.
std::vector<std::string> operatorBindingErrors();

}  // namespace qlm
