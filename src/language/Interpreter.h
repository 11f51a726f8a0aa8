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

class Document;
class FunctionBodies;

struct ArgumentRange {
  int start = 0;
  int end = 0;
};
using Arguments = std::span<const ArgumentRange>;

class Interpreter {
 public:
  // Deep nesting is refused before it can exhaust the stack.
  static constexpr int kMaxDepth = 200;

  // Without `bodies`, the functions that need no desktop.
  explicit Interpreter(Document& document);
  Interpreter(Document& document, const FunctionBodies& bodies);

  void analyse(std::string_view text, int selectionStart = 0, int selectionEnd = 0);
  // On failure the message is shown through the UI service as well.
  SyntaxResult checkSyntax();
  InstructionSpan instructionRange(int k) const;
  const AnalysisState& analysis() const { return m_state; }

  Value evaluate(int start, int end);
  // Empty or missing instruction k gives the empty value with type '?'.
  Value evaluateInstruction(int k);

  bool integerArgument(ArgumentRange argument, long long& value);
  bool realArgument(ArgumentRange argument, double& value);
  std::string textArgument(ArgumentRange argument);
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
  // Waiting functions run the pause between their own steps.
  void runActivityPause() { if (m_activityPause) m_activityPause(); }

  Document& document() { return m_document; }

 private:
  friend class Evaluator;

  Document& m_document;
  const FunctionBodies& m_bodies;
  AnalysisState m_state;
  bool m_jumpFlag = false;
  int m_depth = 0;
  bool m_tooDeep = false;
  std::function<void()> m_activityPause;
};

}  // namespace qlm
