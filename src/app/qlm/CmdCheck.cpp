#include <cstdio>

#include "app/qlm/ToolSupport.h"
#include "language/Lexer.h"
#include "language/SyntaxChecker.h"
#include "platform/TextEncoding.h"

namespace qlm {

int cmdCheck(CommandArgs args) {
  if (args.size() != 1) return reportUsage("check FILE.qlm");
  std::string path(args[0]);
  std::string error;
  auto document = listDocument(path, error);
  if (!document) return reportFailure(error);
  bool failed = !document->damage.empty();
  AnalysisState state;
  for (const ListedRecord& listed : document->records) {
    analyse(listed.record.text(TextField::Instruction), 0, 0, state);
    SyntaxResult checked = checkSyntax(state);
    if (checked.ok) continue;
    failed = true;
    std::string message = checked.message;
    for (char& c : message) {
      if (c == '\n') c = ' ';
    }
    std::printf("line %d: %s\n", listed.line, terminalText(message).c_str());
  }
  for (const std::string& damage : document->damage) reportFailure(damage);
  return failed ? kExitFailed : kExitOk;
}

}  // namespace qlm
