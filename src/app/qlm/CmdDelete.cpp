#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdDelete(CommandArgs args) {
  if (args.size() != 2) return reportUsage("delete FILE.qlm LINE");
  RecordDocument document;
  std::string error;
  auto line = loadDocumentAt(document, args[0], args[1], error);
  if (!line) return reportFailure(error);
  document.setCurrentRecord(*line);
  if (Outcome deleted = document.deleteRecord(); !deleted) return reportFailure(deleted.message);
  return kExitOk;
}

}  // namespace qlm
