#include "language/SyntaxChecker.h"

#include <optional>
#include <string_view>

#include "language/FunctionTable.h"
#include "language/Lexer.h"
#include "language/OperatorTable.h"

namespace qlm {

namespace {

constexpr std::string_view kUnrecognized = "Invalid syntax :\nUnrecognized characters in red.";
constexpr std::string_view kOperatorMissing = "Invalid syntax :\nOperator missing.";
constexpr std::string_view kTooMany = "Too many arguments:\n";
constexpr std::string_view kNotEnough = "Not enough arguments:\n";
constexpr std::string_view kNotVariable = "Argument must be a variable name :\n";
constexpr std::string_view kLeftIncorrect = "Operator    :The argument at left is incorrect.\n";
constexpr std::string_view kRightIncorrect = "Operator    :The argument at right is incorrect.\n";
constexpr std::size_t kOperatorSymbolAt = 10;
constexpr std::string_view kMissingLeftOfOpen = "Operator missing at left of '('.";
constexpr std::string_view kMissingRightOfClose = "Operator missing at right of  ')'.";
constexpr std::string_view kAssignmentPlace = "You cannot use a variable with the operator '='.";
constexpr std::string_view kLocationPlace =
    "A location can be called only by the Goto function, or it must be alone in an instruction.";

bool oneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

SyntaxResult failure(std::string message, int start, int end) {
  return SyntaxResult{false, std::move(message), start, end};
}

std::string withUsage(std::string_view message, std::string_view usage) {
  std::string text(message);
  text += usage;
  return text;
}

// A call as written: name, its parentheses and its function table row.
struct Call {
  int nameStart;
  int open;
  int close;
  int index;
};

class Checker {
 public:
  explicit Checker(AnalysisState& state) : m_state(state), m_n(state.length()) {}

  SyntaxResult run() {
    if (auto r = checkUnrecognized()) return *r;
    if (auto r = checkNeighbours()) return *r;
    if (auto r = checkCalls()) return *r;
    propagateGroupTypes();
    if (auto r = checkOperators()) return *r;
    if (auto r = checkLeftOfOpen()) return *r;
    if (auto r = checkRightOfClose()) return *r;
    if (auto r = checkAssignmentPlace()) return *r;
    if (auto r = checkLocations()) return *r;
    return SyntaxResult{};
  }

 private:
  using Outcome = std::optional<SyntaxResult>;

  char cls(int i) const { return m_state.classes[static_cast<std::size_t>(i)]; }
  char ch(int i) const { return m_state.text[static_cast<std::size_t>(i)]; }
  char& type(int i) { return m_state.types[static_cast<std::size_t>(i)]; }

  Outcome checkUnrecognized() const {
    for (int i = 0; i < m_n; ++i) {
      if (cls(i) != kClassUnknown) continue;
      int end = i;
      while (end < m_n && cls(end) == kClassUnknown) ++end;
      return failure(std::string(kUnrecognized), i, end);
    }
    return std::nullopt;
  }

  bool operatorMissingBetween(char left, char right, char rightChar) const {
    const bool leftString = left == kClassString;
    const bool rightString = right == kClassString;
    if (leftString && !oneOf(right, "CO MK;),")) return true;
    if (left == kClassVariable && right == kClassVariable && rightChar == '$') return true;
    if (left == kClassVariable && rightString) return true;
    return (left == kClassNumber && rightString) || (leftString && right == kClassNumber);
  }

  Outcome checkNeighbours() const {
    for (int i = 0; i + 1 < m_n; ++i) {
      if (operatorMissingBetween(cls(i), cls(i + 1), ch(i + 1))) {
        return failure(std::string(kOperatorMissing), i + 1, i + 1);
      }
    }
    return std::nullopt;
  }

  int matchingClose(int open) const {
    int depth = 0;
    for (int i = open; i < m_n; ++i) {
      if (cls(i) == kClassOpen) ++depth;
      if (cls(i) == kClassClose && --depth == 0) return i;
    }
    return m_n - 1;
  }

  // The next call whose name starts at or after from; nullopt when none.
  std::optional<Call> nextCall(int from) const {
    for (int i = from; i < m_n; ++i) {
      if (cls(i) != kClassFunction || (i > 0 && cls(i - 1) == kClassFunction)) continue;
      int end = i;
      while (end < m_n && cls(end) == kClassFunction) ++end;
      const int index = findFunction(
          std::string_view(m_state.text.data() + i, static_cast<std::size_t>(end - i)));
      if (index < 0 || end >= m_n || cls(end) != kClassOpen) continue;
      return Call{i, end, matchingClose(end), index};
    }
    return std::nullopt;
  }

  // Start of every argument at depth 1; the last entry is the closing parenthesis.
  template <typename Visit>
  void forEachArgument(const Call& call, Visit visit) const {
    int depth = 0;
    int argument = 0;
    visit(argument++, call.open + 1);
    for (int i = call.open + 1; i < call.close; ++i) {
      if (cls(i) == kClassOpen) ++depth;
      if (cls(i) == kClassClose) --depth;
      if (cls(i) == kClassComma && depth == 0) visit(argument++, i + 1);
    }
  }

  Outcome checkCall(const Call& call) const {
    const FunctionInfo& info = functionTable()[static_cast<std::size_t>(call.index)];
    const int wanted = info.argumentCount();
    int given = 0;
    forEachArgument(call, [&](int, int) { ++given; });
    const bool empty = call.close == call.open + 1;
    const bool accepted = (wanted == 0 && empty) || (wanted >= 1 && given == wanted);
    if (!accepted) {
      const bool tooMany = wanted == 0 || given > wanted;
      return failure(withUsage(tooMany ? kTooMany : kNotEnough, info.usage), call.nameStart,
                     call.close + 1);
    }
    Outcome outcome;
    forEachArgument(call, [&](int argument, int start) {
      const char letter = info.signature[static_cast<std::size_t>(argument) + 1];
      if (outcome || letter != 'A') return;
      if (start < call.close && cls(start) == kClassVariable) return;
      outcome = failure(withUsage(kNotVariable, info.usage), start - 1, start);
    });
    return outcome;
  }

  Outcome checkCalls() const {
    for (auto call = nextCall(0); call; call = nextCall(call->open)) {
      if (auto r = checkCall(*call)) return r;
    }
    return std::nullopt;
  }

  void propagateGroupTypes() {
    for (auto call = nextCall(0); call; call = nextCall(call->open)) {
      const char result = functionTable()[static_cast<std::size_t>(call->index)].resultLetter();
      type(call->open) = result;
      if (cls(call->close) == kClassClose) type(call->close) = result;
    }
    for (int i = 1; i < m_n; ++i) {
      if (cls(i) == kClassClose && type(i) == kClassClose) type(i) = type(i - 1);
    }
    for (int i = m_n - 2; i >= 0; --i) {
      if (cls(i) == kClassOpen && type(i) == kClassOpen) type(i) = type(i + 1);
    }
  }

  bool sideFits(int i, char letter) { return type(i) == letter || type(i) == 'V'; }

  Outcome checkOperator(int i, const OperatorInfo& op) {
    const int end = i + op.length();
    bool leftWrong = (op.leftLetter() != 'A' || i == 0) && (i == 0 || !sideFits(i - 1, op.leftLetter()));
    if (op.symbol == "-" && (i == 0 || oneOf(cls(i - 1), " O"))) leftWrong = false;
    const bool rightWrong =
        (op.rightLetter() != 'A' || end >= m_n) && (end >= m_n || !sideFits(end, op.rightLetter()));
    if (!leftWrong && !rightWrong) return std::nullopt;
    std::string message(rightWrong ? kRightIncorrect : kLeftIncorrect);
    message.replace(kOperatorSymbolAt, op.symbol.size(), op.symbol);
    message += op.usage;
    return failure(std::move(message), i, end);
  }

  Outcome checkOperators() {
    for (int i = 0; i < m_n; ++i) {
      if (cls(i) != kClassOperator) continue;
      const int index = matchOperator(m_state.text, static_cast<std::size_t>(i));
      if (index < 0) continue;
      const OperatorInfo& op = operatorTable()[static_cast<std::size_t>(index)];
      if (auto r = checkOperator(i, op)) return r;
      i += op.length() - 1;
    }
    return std::nullopt;
  }

  Outcome checkLeftOfOpen() const {
    for (int i = 1; i < m_n; ++i) {
      if (cls(i) == kClassOpen && !oneOf(cls(i - 1), "O(F ,")) {
        return failure(std::string(kMissingLeftOfOpen), i, i + 1);
      }
    }
    return std::nullopt;
  }

  Outcome checkRightOfClose() const {
    for (int i = 0; i + 1 < m_n; ++i) {
      if (cls(i) == kClassClose && !oneOf(cls(i + 1), "O);,")) {
        return failure(std::string(kMissingRightOfClose), i, i + 1);
      }
    }
    return std::nullopt;
  }

  // An assignment may only follow a variable that starts its instruction.
  Outcome checkAssignmentPlace() const {
    bool onlyVariable = true;
    for (int i = 1; i < m_n; ++i) {
      if (cls(i) == kClassSeparator || cls(i) == kClassSpace) {
        onlyVariable = true;
        continue;
      }
      if (ch(i) == '=' && i + 1 < m_n && ch(i + 1) == '=') {
        ++i;
        continue;
      }
      const bool assignment = ch(i) == '=' && cls(i) == kClassOperator && cls(i - 1) != kClassOperator;
      if (assignment && !onlyVariable) return failure(std::string(kAssignmentPlace), i, i + 1);
      if (cls(i) != kClassVariable && ch(i) != '=') onlyVariable = false;
    }
    return std::nullopt;
  }

  bool locationPlaced(int start, int end) const {
    const std::string_view text = m_state.text;
    const bool followed = end >= m_n || ch(end) == ',' || ch(end) == ';';
    const auto at = static_cast<std::size_t>(start);
    // A separator may lack its space when the text has reached its longest.
    const bool leads = start == 0 || (start >= 2 && text.substr(at - 2, 2) == "; ") ||
                       cls(start - 1) == kClassSeparator ||
                       (start >= 5 && text.substr(at - 5, 5) == "GoTo(");
    return followed && leads;
  }

  Outcome checkLocations() const {
    for (int i = 0; i < m_n; ++i) {
      if (cls(i) != kClassLocation || ch(i) != ':') continue;
      int end = i + 1;
      while (end < m_n && cls(end) == kClassLocation && ch(end) != ':') ++end;
      if (!locationPlaced(i, end)) return failure(std::string(kLocationPlace), i, end);
      i = end - 1;
    }
    return std::nullopt;
  }

  AnalysisState& m_state;
  int m_n;
};

}  // namespace

SyntaxResult checkSyntax(AnalysisState& state) { return Checker(state).run(); }

}  // namespace qlm
