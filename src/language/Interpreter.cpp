#include "language/Interpreter.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "language/Document.h"
#include "language/Builtins.h"
#include "language/FunctionTable.h"
#include "language/Lexer.h"
#include "language/OperatorTable.h"
#include "language/Operators.h"
#include "language/SyntaxChecker.h"

namespace qlm {
namespace {

bool isLiteralClass(char c) { return c == 'C' || c == 'M' || c == 'K'; }

}  // namespace

// Walks one range of the analysed text, left to right, keeping one current
// value; each step replaces it (groups, operands, calls) or combines it with
// the next operand (operators).
class Evaluator {
 public:
  Evaluator(Interpreter& in, int start, int end) : m_in(in), m_state(in.m_state), m_pos(start), m_end(end) {}

  Value run() {
    Value current;
    while (m_pos < m_end) {
      if (!step(current)) break;
    }
    return current;
  }

 private:
  char classAt(int i) const { return m_state.classAt(i); }
  std::string_view textOf(int from, int to) const {
    return std::string_view(m_state.text).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  }

  int runEnd(int from, bool (*sameRun)(char)) const {
    int i = from;
    while (i < m_end && sameRun(classAt(i))) ++i;
    return i;
  }

  // The ')' that closes the '(' at `open`, or the end of the range.
  int matchingClose(int open) const {
    int depth = 0;
    for (int i = open + 1; i < m_end; ++i) {
      if (classAt(i) == '(') ++depth;
      if (classAt(i) == ')' && depth-- == 0) return i;
    }
    return m_end;
  }

  bool step(Value& current) {
    switch (classAt(m_pos)) {
      case '(': return group(current);
      case ')': ++m_pos; return true;
      case 'C': case 'M': case 'K': return literal(current);
      case 'I': return numberLiteral(current);
      case 'L': return location(current);
      case 'V': return variable(current);
      case 'F': return call(current);
      case 'O': return operation(current);
      default: return unknown();
    }
  }

  bool group(Value& current) {
    int close = matchingClose(m_pos);
    current = m_in.evaluate(m_pos + 1, close);
    m_pos = close + 1;
    return true;
  }

  bool literal(Value& current) {
    int end = runEnd(m_pos, isLiteralClass);
    std::string_view written = textOf(m_pos, end);
    current.text.clear();
    if (written.size() >= 3) {
      std::string_view inside = written.substr(1, written.size() - 2);
      for (std::size_t i = 0; i < inside.size(); ++i) {
        current.text += inside[i];
        if (inside[i] == '"' && i + 1 < inside.size() && inside[i + 1] == '"') ++i;
      }
    }
    current.type = 'C';
    m_pos = end;
    return true;
  }

  bool numberLiteral(Value& current) {
    int end = runEnd(m_pos, [](char c) { return c == 'I'; });
    current = {std::string(textOf(m_pos, end)), 'I'};
    m_pos = end;
    return true;
  }

  // At the start of an instruction a location only marks a place.
  bool location(Value& current) {
    int end = runEnd(m_pos, [](char c) { return c == 'L'; });
    bool definition = m_pos == 0 || m_state.text[static_cast<std::size_t>(m_pos - 1)] == ' ';
    current = definition ? Value{"", 'C'} : Value{std::string(textOf(m_pos, end)), 'L'};
    m_pos = end;
    return true;
  }

  bool variable(Value& current) {
    int end = runEnd(m_pos, [](char c) { return c == 'V'; });
    std::string_view name = textOf(m_pos, end);
    const std::string& text = m_state.text;
    bool target = end < m_state.length() && text[static_cast<std::size_t>(end)] == '=' &&
                  !(end + 1 < m_state.length() && text[static_cast<std::size_t>(end) + 1] == '=');
    if (target) {
      current = {std::string(name), 'V'};
    } else {
      StoredVariable stored = m_in.document().readVariable(name);
      current = {VariableTable::readValue(stored), stored.type};
    }
    m_pos = end;
    return true;
  }

  bool call(Value& current) {
    int nameEnd = runEnd(m_pos, [](char c) { return c == 'F'; });
    int index = findFunction(textOf(m_pos, nameEnd));
    if (index < 0 || nameEnd >= m_end || classAt(nameEnd) != '(') return unknown();
    int close = matchingClose(nameEnd);
    std::vector<ArgumentRange> args = splitArguments(nameEnd, close, functionTable()[static_cast<std::size_t>(index)].argumentCount());
    current.text.clear();
    current.type = m_in.m_bodies.body(index)(m_in, index, args, current.text);
    clampToValue(current.text);
    m_pos = close + 1;
    return true;
  }

  // Commas at depth 1 split the arguments. Missing ones are empty ranges, so
  // that a body may always look at as many arguments as its signature has.
  std::vector<ArgumentRange> splitArguments(int open, int close, int expected) const {
    std::vector<ArgumentRange> args;
    int depth = 0;
    int start = open + 1;
    for (int i = open + 1; i < close; ++i) {
      char c = classAt(i);
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == ',' && depth == 0) {
        args.push_back({start, i});
        start = i + 1;
      }
    }
    if (start < close || !args.empty()) args.push_back({start, close});
    while (static_cast<int>(args.size()) < expected) args.push_back({close, close});
    return args;
  }

  bool operation(Value& current) {
    int index = matchOperator(m_state.text, static_cast<std::size_t>(m_pos));
    if (index < 0) return unknown();
    std::string_view symbol = operatorTable()[static_cast<std::size_t>(index)].symbol;
    int rightStart = m_pos + static_cast<int>(symbol.size());
    int rightEnd = rightOperandEnd(rightStart, symbol == "=");
    Value right = m_in.evaluate(rightStart, rightEnd);
    current = applyOperator(m_in, index, current, right);
    m_pos = rightEnd;
    return true;
  }

  // An assignment takes the rest of its instruction or argument; any other
  // operator only the next operand.
  int rightOperandEnd(int from, bool assignment) const {
    int depth = 0;
    for (int i = from; i < m_end; ++i) {
      char c = classAt(i);
      if (c == '(') ++depth;
      if (c == ')' && depth-- == 0) return assignment ? m_end : i;
      if (depth > 0) continue;
      if (c == ';' || c == ',' || (!assignment && c == 'O')) return i;
    }
    return m_end;
  }

  bool unknown() {
    char letter = classAt(m_pos);
    m_in.document().ui().showMessage(std::string(1, letter) + ":Type Inconnu!");
    if (m_in.document().flags().running) m_in.document().requestStop();
    return false;
  }

  Interpreter& m_in;
  const AnalysisState& m_state;
  int m_pos;
  int m_end;
};

Interpreter::Interpreter(Document& document) : Interpreter(document, languageFunctionBodies()) {}

Interpreter::Interpreter(Document& document, const FunctionBodies& bodies)
    : m_document(document), m_bodies(bodies) {}

void Interpreter::analyse(std::string_view text, int selectionStart, int selectionEnd) {
  qlm::analyse(text, selectionStart, selectionEnd, m_state);
}

SyntaxResult Interpreter::checkSyntax() {
  SyntaxResult result = qlm::checkSyntax(m_state);
  if (!result.ok) m_document.ui().showMessage(result.message, "Error");
  return result;
}

InstructionSpan Interpreter::instructionRange(int k) const { return qlm::instructionRange(m_state, k); }

Value Interpreter::evaluate(int start, int end) {
  if (m_activityPause) m_activityPause();
  start = std::max(start, 0);
  end = std::min(end, m_state.length());
  if (start >= end) return {};
  if (m_depth == 0) m_tooDeep = false;
  if (m_depth >= kMaxDepth) {
    if (!m_tooDeep) failWith("Instruction too deeply nested.");
    m_tooDeep = true;
    return {};
  }
  ++m_depth;
  Value value = Evaluator(*this, start, end).run();
  --m_depth;
  return value;
}

Value Interpreter::evaluateInstruction(int k) {
  InstructionSpan span = instructionRange(k);
  if (!span.nonEmpty()) return {};
  return evaluate(span.start, span.end);
}

bool Interpreter::integerArgument(ArgumentRange argument, long long& value) {
  Value v = evaluate(argument.start, argument.end);
  value = 0;
  if (v.text.empty()) return true;
  if (v.type != 'I') {
    failWith(v.text + " : Invalid number.");
    return false;
  }
  value = toInteger(v.text);
  return true;
}

bool Interpreter::realArgument(ArgumentRange argument, double& value) {
  Value v = evaluate(argument.start, argument.end);
  value = 0.0;
  if (v.text.empty()) return true;
  std::string_view digits = v.text;
  if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
  std::size_t point = digits.find('.');
  if (point != std::string_view::npos && digits.find('.', point + 1) != std::string_view::npos) {
    failWith(v.text + " : Invalid number.");
    return false;
  }
  value = toReal(v.text);
  return true;
}

std::string Interpreter::textArgument(ArgumentRange argument) { return evaluate(argument.start, argument.end).text; }

std::string_view Interpreter::sourceText(ArgumentRange argument) const {
  int start = std::clamp(argument.start, 0, m_state.length());
  int end = std::clamp(argument.end, start, m_state.length());
  return std::string_view(m_state.text).substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

void Interpreter::reportStep(std::string_view description, std::string_view text) {
  TraceEvent event;
  event.kind = TraceStep::InFunction;
  // 0 keeps the trace's last numbers when a variable holds no int.
  auto position = [this](std::string_view name) {
    long long number = m_document.readVariableNumber(name);
    return number >= 1 && number <= INT_MAX ? static_cast<int>(number) : 0;
  };
  event.line = position("$QLM_LINE");
  event.instruction = position("$QLM_INST");
  event.description = description;
  event.text = text;
  m_document.trace().traceEvent(event);
}

void Interpreter::failWith(std::string_view message) {
  m_document.ui().bringMainWindowToFront();
  m_document.ui().showMessage(message);
  m_document.requestStop();
}

}  // namespace qlm
