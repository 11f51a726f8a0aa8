#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdMove(CommandArgs args) {
  if (args.size() != 3) return reportUsage("move FILE.qlm FROM TO");
  RecordDocument document;
  std::string path(args[0]);
  std::string error;
  if (!loadDocument(document, path, error)) return reportFailure(error);
  auto from = parseLine(args[1], document.count());
  if (!from) return reportFailure(noSuchLine(path, args[1], document.count()));
  auto to = parseLine(args[2], document.count());
  if (!to) return reportFailure(noSuchLine(path, args[2], document.count()));
  if (Status moved = document.moveRecord(*from, *to); !moved) return reportFailure(moved.message);
  return kExitOk;
}

}  // namespace qlm
