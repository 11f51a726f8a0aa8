#include "language/functions/FunctionSupport.h"

namespace qlm::functions {

bool limitedText(Interpreter& in, ArgumentRange argument, std::string_view function, std::string& text) {
  text = in.TextArgument(argument);
  if (text.size() <= kMaxTextArgument) return true;
  in.failWith(std::string(function) + "(): text argument longer than " + std::to_string(kMaxTextArgument) +
              " characters.");
  text.clear();
  return false;
}

std::string variableName(const Interpreter& in, ArgumentRange argument) {
  std::string_view source = in.sourceText(argument);
  std::size_t first = source.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = source.find_last_not_of(' ');
  return std::string(source.substr(first, last - first + 1));
}

}  // namespace qlm::functions
