#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdMove(CommandArgs args) {
  if (args.size() != 3) return reportUsage("move FILE.qlm FROM TO");
  RecordDocument document;
  std::string error;
  auto from = loadDocumentAt(document, args[0], args[1], error);
  if (!from) return reportFailure(error);
  auto to = parseLine(args[2], document.count());
  if (!to) return reportFailure(noSuchLine(document.path(), args[2], document.count()));
  if (Outcome moved = document.moveRecord(*from, *to); !moved) return reportFailure(moved.message);
  return kExitOk;
}

}  // namespace qlm
