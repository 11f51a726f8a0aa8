#include <algorithm>
#include <cstdio>

#include "language/Document.h"
#include "language/Builtins.h"

namespace qlm {
namespace {

void replaceAll(std::string& text, std::string_view token, std::string_view by) {
  for (std::size_t pos = text.find(token); pos != std::string::npos; pos = text.find(token, pos + by.size())) {
    text.replace(pos, token.size(), by);
  }
}

std::string digits(long long value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", width, value);
  return buffer;
}

char resetChrono(Interpreter& in, int, Arguments, std::string&) {
  in.document().restartChrono();
  return 'V';
}

// The elapsed time reads as a time of day: the hours wrap at 24.
char getChrono(Interpreter& in, int, Arguments args, std::string& result) {
  result = in.textArgument(args[0]);
  Document& document = in.document();
  long long elapsed = std::max(0LL, document.clock().nowMs() - document.chronoStart());
  if (result.empty()) result = "%H:%M:%S.%MS";
  replaceAll(result, "%MS", digits(elapsed % 1000, 3));
  replaceAll(result, "%H", digits(elapsed / 3'600'000 % 24, 2));
  replaceAll(result, "%M", digits(elapsed / 60'000 % 60, 2));
  replaceAll(result, "%S", digits(elapsed / 1000 % 60, 2));
  return 'C';
}

}  // namespace

std::span<const BuiltinBinding> chronoFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"ResetChrono", resetChrono},
      {"GetChrono", getChrono},
  };
  return kBindings;
}

}  // namespace qlm
