#include "language/functions/FunctionSupport.h"

namespace qlm::functions {

bool limitedText(Interpreter& in, ArgumentRange argument, std::string_view function, std::string& text,
                 std::size_t limit) {
  text = in.textArgument(argument);
  if (text.size() <= limit) return true;
  in.failWith(std::string(function) + "(): text argument longer than " + std::to_string(limit) + " characters.");
  text.clear();
  return false;
}

char runBranch(Interpreter& in, std::string_view function, ArgumentRange branch, std::string& result) {
  in.reportStep(std::string(function) + "(), Execution of instruction:", in.sourceText(branch));
  Value value = in.evaluate(branch.start, branch.end);
  result = std::move(value.text);
  return value.type;
}

std::string variableName(const Interpreter& in, ArgumentRange argument) {
  std::string_view source = in.sourceText(argument);
  std::size_t first = source.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = source.find_last_not_of(' ');
  return std::string(source.substr(first, last - first + 1));
}

}  // namespace qlm::functions
