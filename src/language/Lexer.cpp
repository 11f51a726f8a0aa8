#include "language/Lexer.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "language/FunctionTable.h"
#include "language/OperatorTable.h"
#include "language/KeyNotation.h"

namespace qlm {

namespace {

constexpr Rgb kWhite{255, 255, 255};

// Marks a separator that gets a space behind it, between counting and inserting.
constexpr char kClassPendingSeparator = '\x01';

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int longestFunctionName() {
  static const int longest = [] {
    std::size_t n = 0;
    for (const FunctionInfo& f : functionTable()) n = std::max(n, f.name.size());
    return static_cast<int>(n);
  }();
  return longest;
}

struct ClassColours {
  Rgb text;
  Rgb back;
};

constexpr ClassColours kUnknownColours{{255, 0, 0}, kWhite};
// A comma that stands outside a call was a separator before being taken back.
constexpr ClassColours kStrayCommaColours{{250, 0, 0}, kWhite};

constexpr std::array<ClassColours, 256> makeColourTable() {
  std::array<ClassColours, 256> table{};
  table.fill(kUnknownColours);
  auto set = [&table](char cls, ClassColours colours) { table[static_cast<unsigned char>(cls)] = colours; };
  set(kClassString, {{100, 100, 255}, kWhite});
  set(kClassMouseKey, {{0, 0, 200}, {200, 200, 255}});
  set(kClassKeyboardKey, {{0, 0, 200}, {200, 200, 255}});
  for (char cls : {kClassOperator, kClassSeparator, kClassComma}) set(cls, {{160, 160, 160}, kWhite});
  for (char cls : {kClassOpen, kClassClose, kClassFunction}) set(cls, {{34, 177, 76}, kWhite});
  set(kClassVariable, {{255, 191, 128}, kWhite});
  set(kClassLocation, {{115, 8, 108}, {231, 225, 71}});
  set(kClassNumber, {{255, 128, 255}, kWhite});
  return table;
}

constexpr std::array<ClassColours, 256> kColourTable = makeColourTable();

class Lexer {
 public:
  explicit Lexer(AnalysisState& out) : m_out(out) {}

  void run(std::string_view text, int selectionStart, int selectionEnd) {
    copyAndMarkLiterals(text, selectionStart, selectionEnd);
    markKeyNames();
    removeSpaces();
    insertSeparatorSpaces();
    markOperatorsAndSeparators();
    matchParentheses();
    markFunctionNames();
    markScreenConditionBranches();
    validateCommas();
    markNames('$', kClassVariable);
    markNames(':', kClassLocation);
    markNumbers();
    colour();
  }

 private:
  int size() const { return m_size; }
  char& cls(int i) { return m_classes[i]; }
  char& type(int i) { return m_types[i]; }
  char& ch(int i) { return m_text[i]; }
  // Raw views of the three buffers, refreshed whenever their size changes.
  void refresh() {
    m_size = m_out.length();
    m_text = m_out.text.data();
    m_classes = m_out.classes.data();
    m_types = m_out.types.data();
  }
  void mark(int from, int to, char classAndType) {
    for (int i = from; i < to; ++i) cls(i) = type(i) = classAndType;
  }

  void copyAndMarkLiterals(std::string_view text, int selectionStart, int selectionEnd) {
    constexpr auto kMax = static_cast<std::size_t>(AnalysisState::kMaxLength);
    // Assigned before reserving: the text may be a view of m_out.text itself.
    m_out.text.assign(text.substr(0, std::min(text.size(), kMax)));
    m_out.text.reserve(kMax);
    m_out.classes.reserve(kMax);
    m_out.types.reserve(kMax);
    m_out.textColours.reserve(kMax);
    m_out.backColours.reserve(kMax);
    m_out.classes.assign(m_out.text.size(), kClassUnknown);
    m_out.types.assign(m_out.text.size(), kClassUnknown);
    refresh();
    m_out.selectionStart = std::clamp(selectionStart, 0, size());
    m_out.selectionEnd = std::clamp(selectionEnd, 0, size());
    m_out.instructionCount = 1;
    m_out.flags = AnalysisFlags{};

    bool inside = false;
    int lastQuote = -1;
    for (int i = 0; i < size(); ++i) {
      if (ch(i) == '"') {
        inside = !inside;
        lastQuote = i;
        cls(i) = type(i) = kClassString;
      } else if (inside) {
        cls(i) = type(i) = kClassString;
      }
    }
    if (inside) mark(lastQuote, size(), kClassUnknown);
  }

  void markKeyNames() {
    m_out.flags.clickFlag = 0;
    m_out.flags.textFlag = 0;
    for (int q = 0; q < size(); ++q) {
      if (cls(q) != kClassString) continue;
      const auto match = matchNotation(m_out.text, static_cast<std::size_t>(q), LetterCase::Ignore);
      if (!match) continue;
      const std::string_view spelling =
          match->mouse ? mouseKeyTable()[static_cast<std::size_t>(match->index)].notation
                       : keyboardKeyTable()[static_cast<std::size_t>(match->index)].notation;
      std::copy(spelling.begin() + 1, spelling.end(), m_out.text.begin() + q + 1);
      const char keyClass = match->mouse ? kClassMouseKey : kClassKeyboardKey;
      for (int i = q; i < q + match->length; ++i) {
        cls(i) = keyClass;
        type(i) = kClassString;
      }
      if (match->mouse) m_out.flags.clickFlag = 1;
      q += match->length - 1;
    }
  }

  void removeSpaces() {
    int write = 0;
    int removedBeforeStart = 0;
    int removedBeforeEnd = 0;
    for (int read = 0; read < size(); ++read) {
      if (ch(read) == ' ' && cls(read) == kClassUnknown) {
        if (read < m_out.selectionStart) ++removedBeforeStart;
        if (read < m_out.selectionEnd) ++removedBeforeEnd;
        continue;
      }
      ch(write) = ch(read);
      cls(write) = cls(read);
      type(write) = type(read);
      ++write;
    }
    resize(write);
    m_out.selectionStart -= removedBeforeStart;
    m_out.selectionEnd -= removedBeforeEnd;
  }

  void resize(int n) {
    const auto count = static_cast<std::size_t>(n);
    m_out.text.resize(count);
    m_out.classes.resize(count);
    m_out.types.resize(count);
    refresh();
  }

  bool needsSpaceBehind(int i) {
    return ch(i) == ';' && cls(i) == kClassUnknown && (i + 1 >= size() || ch(i + 1) != ' ');
  }

  // Only as many spaces as still fit into the longest text are inserted;
  // instructionRange() copes with a separator that has none behind it.
  void insertSeparatorSpaces() {
    const int room = AnalysisState::kMaxLength - size();
    const int selectionStart = m_out.selectionStart;
    const int selectionEnd = m_out.selectionEnd;
    int inserts = 0;
    for (int i = 0; i < size() && inserts < room; ++i) {
      if (!needsSpaceBehind(i)) continue;
      cls(i) = kClassPendingSeparator;
      ++inserts;
      if (i < selectionStart) ++m_out.selectionStart;
      if (i < selectionEnd) ++m_out.selectionEnd;
    }
    if (inserts == 0) return;
    const int oldSize = size();
    resize(oldSize + inserts);
    int write = size() - 1;
    for (int read = oldSize - 1; read >= 0 && write > read; --read) {
      if (cls(read) == kClassPendingSeparator) {
        ch(write) = ' ';
        cls(write) = type(write) = kClassSpace;
        --write;
        cls(read) = kClassUnknown;
      }
      ch(write) = ch(read);
      cls(write) = cls(read);
      type(write) = type(read);
      --write;
    }
  }

  void markOperatorsAndSeparators() {
    m_out.instructionCount = 1;
    for (int i = 0; i < size(); ++i) {
      if (cls(i) != kClassUnknown) continue;
      const int op = matchOperator(m_out.text, static_cast<std::size_t>(i));
      if (op >= 0) {
        const int length = operatorTable()[static_cast<std::size_t>(op)].length();
        mark(i, i + length, kClassOperator);
        i += length - 1;
      } else if (ch(i) == ';') {
        cls(i) = type(i) = kClassSeparator;
        ++m_out.instructionCount;
      } else if (ch(i) == ',') {
        cls(i) = type(i) = kClassComma;
      }
    }
  }

  void matchParentheses() {
    int depth = 0;
    for (int i = 0; i < size(); ++i) {
      if (cls(i) == kClassSeparator) {
        depth = 0;
      } else if (cls(i) == kClassUnknown && ch(i) == '(') {
        ++depth;
      } else if (cls(i) == kClassUnknown && ch(i) == ')') {
        if (--depth >= 0) cls(i) = type(i) = kClassClose;
      }
    }
    depth = 0;
    for (int i = size() - 1; i >= 0; --i) {
      if (cls(i) == kClassSeparator) {
        depth = 0;
      } else if (cls(i) == kClassClose) {
        ++depth;
      } else if (cls(i) == kClassUnknown && ch(i) == '(') {
        if (--depth >= 0) cls(i) = type(i) = kClassOpen;
      }
    }
  }

  // The end of the run of unrecognised characters from p, stopping at any '('.
  int runEnd(int p) {
    while (p < size() && cls(p) == kClassUnknown && ch(p) != '(') ++p;
    return p;
  }

  // Only a '(' with a matching ')' opens a call, so that a call always has an end.
  bool opensCall(int i) { return i < size() && cls(i) == kClassOpen; }

  void markFunctionNames() {
    m_out.flags.conditionLevel = 0;
    for (int p = 0; p < size();) {
      if (cls(p) != kClassUnknown) {
        ++p;
        continue;
      }
      const int end = runEnd(p);
      if (opensCall(end)) markFunctionEndingAt(p, end);
      p = std::max(end, p + 1);
    }
  }

  // Tries the run from every start in turn, longest first, as a function name.
  void markFunctionEndingAt(int runStart, int end) {
    for (int q = std::max(runStart, end - longestFunctionName()); q < end; ++q) {
      const std::string_view name(m_out.text.data() + q, static_cast<std::size_t>(end - q));
      const int index = findFunctionIgnoringCase(name);
      if (index < 0) continue;
      const FunctionInfo& info = functionTable()[static_cast<std::size_t>(index)];
      std::copy(info.name.begin(), info.name.end(), m_out.text.begin() + q);
      for (int i = q; i < end; ++i) {
        cls(i) = kClassFunction;
        type(i) = info.resultLetter();
      }
      noteFunction(index);
      return;
    }
  }

  void noteFunction(int index) {
    AnalysisFlags& flags = m_out.flags;
    if (index == kFunctionIfShape) flags.conditionLevel = std::max(flags.conditionLevel, 2);
    if (index == kFunctionIfImage) flags.conditionLevel = std::max(flags.conditionLevel, 3);
    if (index == kFunctionIfText) flags.conditionLevel = std::max(flags.conditionLevel, 4);
    if (index == kFunctionGetText) flags.textFlag = 1;
  }

  int functionAt(int start, int* end) {
    int e = start;
    while (e < size() && cls(e) == kClassFunction) ++e;
    *end = e;
    return findFunction(std::string_view(m_out.text.data() + start, static_cast<std::size_t>(e - start)));
  }

  bool startsRun(int i, char runClass) { return cls(i) == runClass && (i == 0 || cls(i - 1) != runClass); }

  void markScreenConditionBranches() {
    const AnalysisFlags& flags = m_out.flags;
    if (flags.conditionLevel <= 0 || (flags.clickFlag <= 0 && flags.textFlag <= 0)) return;
    for (int i = 0; i < size(); ++i) {
      if (!startsRun(i, kClassFunction)) continue;
      int end = 0;
      const int index = functionAt(i, &end);
      int branch = -1;
      if (index == kFunctionIfImage || index == kFunctionIfShape) branch = 1;
      if (index == kFunctionIfText) branch = 2;
      if (branch < 0) continue;
      if (branchHolds(end + 1, branch, kClassMouseKey)) m_out.flags.clickFlag = 2;
      if (branchHolds(end + 1, branch, kClassFunction)) m_out.flags.textFlag = 2;
      i = end - 1;
    }
  }

  // Commas are counted at every depth, as the found branch has always been located.
  bool branchHolds(int argumentsStart, int branch, char wanted) {
    int depth = 1;
    int commas = 0;
    for (int i = argumentsStart; i < size(); ++i) {
      if (cls(i) == kClassOpen) ++depth;
      if (cls(i) == kClassClose && --depth == 0) break;
      if (cls(i) == kClassComma) ++commas;
      if (cls(i) == wanted && commas == branch) return true;
    }
    return false;
  }

  void validateCommas() {
    std::array<bool, AnalysisState::kMaxLength> callParen{};
    int depth = 0;
    int openCalls = 0;
    for (int i = 0; i < size(); ++i) {
      if (cls(i) == kClassOpen) {
        const bool call = i > 0 && cls(i - 1) == kClassFunction;
        callParen[static_cast<std::size_t>(depth++)] = call;
        if (call) ++openCalls;
      } else if (cls(i) == kClassClose && depth > 0) {
        if (callParen[static_cast<std::size_t>(--depth)]) --openCalls;
      } else if (cls(i) == kClassComma && (openCalls == 0 || openCalls != depth)) {
        cls(i) = type(i) = kClassUnknown;
      }
    }
  }

  void markNames(char lead, char nameClass) {
    for (int i = 0; i < size(); ++i) {
      if (ch(i) != lead || cls(i) != kClassUnknown) continue;
      int end = i + 1;
      while (end < size() && cls(end) == kClassUnknown && isNameChar(ch(end))) ++end;
      if (end == i + 1) continue;
      mark(i, end, nameClass);
      for (int j = i + 1; j < end; ++j) ch(j) = upper(ch(j));
      i = end - 1;
    }
  }

  bool isNumberChar(int i) { return cls(i) == kClassUnknown && (isDigit(ch(i)) || ch(i) == '.'); }

  // A '-' is a sign, not an operator, where no left operand can stand before it.
  bool takesMinus(int runStart) {
    const int minus = runStart - 1;
    if (minus < 0 || ch(minus) != '-') return false;
    if (minus == 0) return true;
    const char before = ch(minus - 1);
    return before == '(' || before == ',' || before == ' ' || cls(minus - 1) == kClassOperator;
  }

  void markNumbers() {
    for (int i = 0; i < size(); ++i) {
      if (!isNumberChar(i)) continue;
      int end = i;
      while (end < size() && isNumberChar(end)) ++end;
      const int length = end - i;
      if (takesMinus(i)) cls(i - 1) = type(i - 1) = kClassNumber;
      int points = 0;
      for (int j = i; j < end; ++j) {
        if (ch(j) == '.') ++points;
        if (points == 0 || (points == 1 && length > 1)) cls(j) = type(j) = kClassNumber;
      }
      i = end - 1;
    }
  }

  void colour() {
    const auto n = static_cast<std::size_t>(size());
    m_out.textColours.resize(n);
    m_out.backColours.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const char c = m_out.classes[i];
      ClassColours colours = kColourTable[static_cast<unsigned char>(c)];
      if (c == kClassUnknown && m_out.text[i] == ',') colours = kStrayCommaColours;
      if (c == kClassSpace && i > 0) colours = {m_out.textColours[i - 1], m_out.backColours[i - 1]};
      m_out.textColours[i] = colours.text;
      m_out.backColours[i] = colours.back;
    }
  }

  AnalysisState& m_out;
  int m_size = 0;
  char* m_text = nullptr;
  char* m_classes = nullptr;
  char* m_types = nullptr;
};

}  // namespace

void analyse(std::string_view text, int selectionStart, int selectionEnd, AnalysisState& out) {
  Lexer(out).run(text, selectionStart, selectionEnd);
}

InstructionSpan instructionRange(const AnalysisState& state, int k) {
  if (k < 1 || k > state.instructionCount) return {};
  const int n = state.length();
  int start = 0;
  int separators = 0;
  for (int i = 0; i < n && separators < k - 1; ++i) {
    if (state.classAt(i) == kClassSeparator && ++separators == k - 1) start = i + 1;
  }
  if (separators < k - 1) return {};
  if (start < n && state.classAt(start) == kClassSpace) ++start;
  int end = start;
  while (end < n && state.classAt(end) != kClassSeparator) ++end;
  return {start, end};
}

}  // namespace qlm
