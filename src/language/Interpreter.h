#pragma once
// Analyses and evaluates instruction texts for one document. The evaluator
// works directly on the character classes that the analysis leaves: there is
// no tree, and operators apply strictly from left to right.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "language/AnalysisState.h"
#include "language/SyntaxChecker.h"
#include "language/Value.h"

namespace qlm {

class CQuillmoteDoc;

struct ArgumentRange {
  int start = 0;
  int end = 0;
};
using Arguments = std::span<const ArgumentRange>;

class Interpreter {
 public:
  // Deep nesting is refused before it can exhaust the stack.
  static constexpr int kMaxDepth = 200;

  explicit Interpreter(CQuillmoteDoc& document);

  void Analyse(std::string_view text, int selectionStart = 0, int selectionEnd = 0);
  // On failure the message is shown through the UI service as well.
  SyntaxResult CheckSyntax();
  InstructionSpan InstructionRange(int k) const;
  const AnalysisState& analysis() const { return m_state; }

  Value Evaluate(int start, int end);
  // Empty or missing instruction k gives the empty value with type '?'.
  Value EvaluateInstruction(int k);

  bool IntegerArgument(ArgumentRange argument, long long& value);
  bool RealArgument(ArgumentRange argument, double& value);
  std::string TextArgument(ArgumentRange argument);
  std::string_view sourceText(ArgumentRange argument) const;

  // Reports a trace event of kind 2 (inside a function or an operator).
  void reportStep(std::string_view description, std::string_view text);
  // Shows a message that ends the playback: main window forward, message, stop request.
  void failWith(std::string_view message);

  bool jumpFlag() const { return m_jumpFlag; }
  void setJumpFlag() { m_jumpFlag = true; }
  void clearJumpFlag() { m_jumpFlag = false; }

  // Playback installs its user-activity pause; every evaluation runs it first.
  void setActivityPause(std::function<void()> pause) { m_activityPause = std::move(pause); }

  CQuillmoteDoc& document() { return m_document; }

 private:
  friend class Evaluator;

  CQuillmoteDoc& m_document;
  AnalysisState m_state;
  bool m_jumpFlag = false;
  int m_depth = 0;
  bool m_tooDeep = false;
  std::function<void()> m_activityPause;
};

}  // namespace qlm
