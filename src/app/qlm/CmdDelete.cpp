#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdDelete(CommandArgs args) {
  if (args.size() != 2) return reportUsage("delete FILE.qlm LINE");
  RecordDocument document;
  std::string path(args[0]);
  std::string error;
  if (!loadDocument(document, path, error)) return reportFailure(error);
  auto line = parseLine(args[1], document.count());
  if (!line) return reportFailure(noSuchLine(path, args[1], document.count()));
  document.setCurrentRecord(*line);
  if (Status deleted = document.deleteRecord(); !deleted) return reportFailure(deleted.message);
  return kExitOk;
}

}  // namespace qlm
