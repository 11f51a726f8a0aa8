#include <cmath>

#include "language/Document.h"
#include "language/Builtins.h"

namespace qlm {
namespace {

// Number functions answer 0 when an argument is not a number.
char zero(std::string& result) {
  result = "0";
  return 'I';
}

char min(Interpreter& in, int, Arguments args, std::string& result) {
  double a = 0.0, b = 0.0;
  if (!in.realArgument(args[0], a) || !in.realArgument(args[1], b)) return zero(result);
  result = formatReal(b < a ? b : a);
  return 'I';
}

char max(Interpreter& in, int, Arguments args, std::string& result) {
  double a = 0.0, b = 0.0;
  if (!in.realArgument(args[0], a) || !in.realArgument(args[1], b)) return zero(result);
  result = formatReal(b > a ? b : a);
  return 'I';
}

char abs(Interpreter& in, int, Arguments args, std::string& result) {
  double x = 0.0;
  if (!in.realArgument(args[0], x)) return zero(result);
  result = formatReal(std::fabs(x));
  return 'I';
}

char integer(Interpreter& in, int, Arguments args, std::string& result) {
  long long x = 0;
  if (!in.integerArgument(args[0], x)) return zero(result);
  result = formatInteger(x);
  return 'I';
}

char sgn(Interpreter& in, int, Arguments args, std::string& result) {
  double x = 0.0;
  if (!in.realArgument(args[0], x)) return zero(result);
  result = x > 0.0 ? "1" : x < 0.0 ? "-1" : "0";
  return 'I';
}

// Not a generator: a mix of the time of day, so that a script gets a number
// that changes from second to second. Random(0) has no range and gives 0.
char random(Interpreter& in, int, Arguments args, std::string& result) {
  long long n = 0;
  if (!in.integerArgument(args[0], n) || n == 0) return zero(result);
  LocalTime now = in.document().clock().localTime();
  __int128 p = static_cast<__int128>(now.hour) * now.minute * now.second;
  __int128 mixed = (p + p * n / 132) % n;
  result = formatInteger(static_cast<long long>(mixed));
  return 'I';
}

}  // namespace

std::span<const BuiltinBinding> numberFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"Min", min}, {"Max", max}, {"Abs", abs}, {"Int", integer}, {"Sgn", sgn}, {"Random", random},
  };
  return kBindings;
}

}  // namespace qlm
