#include "language/Operators.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "language/Document.h"
#include "language/OperatorTable.h"

namespace qlm {
namespace {

constexpr std::string_view kDivisionByZero = "Division by zero is imposible.";

using OperatorBody = Value (*)(Interpreter&, const Value&, const Value&);

Value truth(bool condition) { return {condition ? "1" : "0", 'I'}; }
Value number(double value) { return {formatReal(value), 'I'}; }

Value equal(Interpreter&, const Value& l, const Value& r) { return truth(l.text == r.text); }
Value notEqual(Interpreter&, const Value& l, const Value& r) { return truth(l.text != r.text); }
Value lessOrEqual(Interpreter&, const Value& l, const Value& r) { return truth(toReal(l.text) <= toReal(r.text)); }
Value greaterOrEqual(Interpreter&, const Value& l, const Value& r) { return truth(toReal(l.text) >= toReal(r.text)); }
Value less(Interpreter&, const Value& l, const Value& r) { return truth(toReal(l.text) < toReal(r.text)); }
Value greater(Interpreter&, const Value& l, const Value& r) { return truth(toReal(l.text) > toReal(r.text)); }
Value add(Interpreter&, const Value& l, const Value& r) { return number(toReal(l.text) + toReal(r.text)); }
Value subtract(Interpreter&, const Value& l, const Value& r) { return number(toReal(l.text) - toReal(r.text)); }
Value multiply(Interpreter&, const Value& l, const Value& r) { return number(toReal(l.text) * toReal(r.text)); }

Value append(Interpreter&, const Value& l, const Value& r) {
  Value result{l.text + r.text, 'C'};
  clampToValue(result.text);
  return result;
}

Value divide(Interpreter& in, const Value& l, const Value& r) {
  double divisor = toReal(r.text);
  if (divisor == 0.0) {
    in.failWith(kDivisionByZero);
    return {"1", 'I'};
  }
  return number(toReal(l.text) / divisor);
}

Value modulo(Interpreter& in, const Value& l, const Value& r) {
  long long divisor = toInteger(r.text);
  if (divisor == 0) {
    in.failWith(kDivisionByZero);
    return {"1", 'I'};
  }
  // -1 would overflow the smallest integer; the remainder is 0 anyway.
  if (divisor == -1) return {"0", 'I'};
  return {formatInteger(toInteger(l.text) % divisor), 'I'};
}

// The assignment stores the right value (quoted when it is a text) and sends nothing.
Value assign(Interpreter& in, const Value& l, const Value& r) {
  if (l.type != 'V') return {"", 'C'};
  Document& doc = in.document();
  std::string before = doc.readVariable(l.text).form;
  std::string after = r.type == 'C' ? "\"" + r.text + "\"" : r.text;
  doc.setVariable(l.text, after);
  in.reportStep("Value of variable " + l.text + " change:", "From " + before + " to " + after);
  return {"", 'C'};
}

// Bound to the operator table's rows by symbol, so that a reordered table
// cannot give an operator another one's body.
constexpr std::array<std::pair<std::string_view, OperatorBody>, 13> kBodies = {{
    {"==", equal}, {"<=", lessOrEqual}, {">=", greaterOrEqual}, {"!=", notEqual},
    {"<", less}, {">", greater}, {"=", assign}, {"&", append},
    {"+", add}, {"-", subtract}, {"*", multiply}, {"/", divide}, {"%", modulo},
}};

OperatorBody bodyFor(std::string_view symbol) {
  for (const auto& [bound, body] : kBodies) {
    if (bound == symbol) return body;
  }
  return nullptr;
}

std::vector<OperatorBody> bindBySymbol() {
  std::vector<OperatorBody> bodies;
  for (const OperatorInfo& row : operatorTable()) bodies.push_back(bodyFor(row.symbol));
  return bodies;
}

}  // namespace

Value applyOperator(Interpreter& in, int index, const Value& left, const Value& right) {
  static const std::vector<OperatorBody> kBound = bindBySymbol();
  if (index < 0 || static_cast<std::size_t>(index) >= kBound.size() || kBound[static_cast<std::size_t>(index)] == nullptr) {
    return {"", '?'};
  }
  return kBound[static_cast<std::size_t>(index)](in, left, right);
}

std::vector<std::string> operatorBindingErrors() {
  std::vector<std::string> errors;
  for (const OperatorInfo& row : operatorTable()) {
    if (bodyFor(row.symbol) == nullptr) errors.push_back("no body for operator " + std::string(row.symbol));
  }
  for (const auto& [symbol, body] : kBodies) {
    bool known = false;
    for (const OperatorInfo& row : operatorTable()) known = known || row.symbol == symbol;
    if (!known) errors.push_back("no operator " + std::string(symbol) + " in the table");
  }
  return errors;
}

}  // namespace qlm
