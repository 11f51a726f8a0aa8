#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdDuplicate(CommandArgs args) {
  if (args.size() != 3) return reportUsage("duplicate FILE.qlm LINE TO");
  RecordDocument document;
  std::string error;
  auto source = loadDocumentAt(document, args[0], args[1], error);
  if (!source) return reportFailure(error);
  // The copy may also go behind the last line.
  auto position = parseLine(args[2], document.count() + 1);
  if (!position) return reportFailure(document.path() + " has no position " + std::string(args[2]) + " for the copy");
  if (Outcome copied = document.duplicateRecord(*source, *position); !copied) return reportFailure(copied.message);
  return kExitOk;
}

}  // namespace qlm
