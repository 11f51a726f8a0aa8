#include "language/Operators.h"

#include <array>
#include <string_view>

#include "document/CQuillmoteDoc.h"
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
  CQuillmoteDoc& doc = in.document();
  std::string before = doc.GetVariable(l.text).form;
  std::string after = r.type == 'C' ? "\"" + r.text + "\"" : r.text;
  doc.SetVariable(l.text, after);
  in.reportStep("Value of variable " + l.text + " change:", "From " + before + " to " + after);
  return {"", 'C'};
}

// Same order as the operator table.
constexpr std::array<std::pair<std::string_view, OperatorBody>, 13> kBodies = {{
    {"==", equal}, {"<=", lessOrEqual}, {">=", greaterOrEqual}, {"!=", notEqual},
    {"<", less}, {">", greater}, {"=", assign}, {"&", append},
    {"+", add}, {"-", subtract}, {"*", multiply}, {"/", divide}, {"%", modulo},
}};

}  // namespace

Value ApplyOperator(Interpreter& in, int index, const Value& left, const Value& right) {
  if (index < 0 || index >= static_cast<int>(kBodies.size())) return {"", '?'};
  return kBodies[static_cast<std::size_t>(index)].second(in, left, right);
}

}  // namespace qlm
