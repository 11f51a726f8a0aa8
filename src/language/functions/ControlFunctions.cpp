#include <climits>
#include <cstdio>

#include "language/Document.h"
#include "language/Builtins.h"
#include "language/functions/FunctionSupport.h"

namespace qlm {
namespace {

using functions::runBranch;

char ifBranch(Interpreter& in, int, Arguments args, std::string& result) {
  long long condition = 0;
  if (!in.integerArgument(args[0], condition)) return 'C';
  return runBranch(in, "If", condition != 0 ? args[1] : args[2], result);
}

void jumpTo(Interpreter& in, long long line, long long instruction) {
  Document& doc = in.document();
  doc.setVariableNumber("$QLM_LINE", line);
  doc.setVariableNumber("$QLM_INST", instruction);
  in.setJumpFlag();
  in.reportStep("Goto(), line " + std::to_string(line) + ", instruction " + std::to_string(instruction), "");
}

char goTo(Interpreter& in, int, Arguments args, std::string&) {
  Document& doc = in.document();
  if (doc.stopRequested()) return 'C';
  std::string_view first = in.sourceText(args[0]);
  if (!first.empty() && first.front() == ':') {
    long long occurrence = 0;
    if (!in.integerArgument(args[1], occurrence)) return 'C';
    const bool countable = occurrence >= 1 && occurrence <= INT_MAX;
    const Location* target = countable ? doc.locations().find(first, static_cast<int>(occurrence)) : nullptr;
    if (!target) {
      char message[200];
      std::snprintf(message, sizeof message, "Invalid location = %.*s, number = %lld.", static_cast<int>(std::min<std::size_t>(first.size(), 120)),
                    first.data(), occurrence);
      in.failWith(message);
      return 'C';
    }
    jumpTo(in, target->line, target->instruction);
    return 'C';
  }
  long long line = 0;
  long long instruction = 0;
  if (!in.integerArgument(args[0], line) || !in.integerArgument(args[1], instruction)) return 'C';
  jumpTo(in, line, instruction);
  return 'C';
}

char stop(Interpreter& in, int, Arguments, std::string&) {
  in.document().requestStop();
  return 'C';
}

char qlmClose(Interpreter& in, int, Arguments, std::string&) {
  in.reportStep("QlmClose(), Quillmote will close this QLM document.", "");
  in.document().flags().closeRequest = true;
  return 'C';
}

// Unlike `$X="abc"`, the value is stored as it is: SetVar($X,"abc") stores abc raw.
char setVar(Interpreter& in, int, Arguments args, std::string&) {
  Document& doc = in.document();
  std::string name(in.sourceText(args[0]));
  std::string before = doc.readVariable(name).form;
  std::string value = in.textArgument(args[1]);
  doc.setVariable(name, value);
  in.reportStep("Value of variable " + name + " change:", "From " + before + " to " + value);
  return 'C';
}

constexpr BuiltinBinding kBindings[] = {
    {"If", ifBranch}, {"GoTo", goTo}, {"Stop", stop}, {"QlmClose", qlmClose}, {"SetVar", setVar},
};

}  // namespace

std::span<const BuiltinBinding> controlFunctions() { return kBindings; }

}  // namespace qlm
