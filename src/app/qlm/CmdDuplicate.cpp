#include "app/qlm/ToolSupport.h"
#include "document/RecordDocument.h"

namespace qlm {

int cmdDuplicate(CommandArgs args) {
  if (args.size() != 3) return reportUsage("duplicate FILE.qlm LINE TO");
  RecordDocument document;
  std::string path(args[0]);
  std::string error;
  if (!loadDocument(document, path, error)) return reportFailure(error);
  auto source = parseLine(args[1], document.count());
  if (!source) return reportFailure(noSuchLine(path, args[1], document.count()));
  // The copy may also go behind the last line.
  auto position = parseLine(args[2], document.count() + 1);
  if (!position) return reportFailure(path + " has no position " + std::string(args[2]) + " for the copy");
  if (Status copied = document.duplicateRecord(*source, *position); !copied) return reportFailure(copied.message);
  return kExitOk;
}

}  // namespace qlm
