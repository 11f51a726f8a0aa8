#pragma once
// The syntax check run when the user confirms an edited instruction: the
// stricter second pass over what analyse() left, reporting the first error.
#include <string>

#include "language/AnalysisState.h"

namespace qlm {

struct SyntaxResult {
  bool ok = true;
  std::string message;     // empty when ok
  int selectionStart = 0;  // the characters to select in the editor
  int selectionEnd = 0;
};

// On the way it gives every parenthesis the type of the value it delimits
// (state.types), which the operand checks and the evaluator rely on.
SyntaxResult checkSyntax(AnalysisState& state);

}  // namespace qlm
