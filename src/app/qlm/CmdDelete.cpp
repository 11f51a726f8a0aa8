#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"

namespace qlm {

int cmdDelete(CommandArgs args) {
  if (args.size() != 2) return reportUsage("delete FILE.qlm LINE");
  std::string path(args[0]);
  std::string error;
  auto count = lineCount(path, error);
  if (!count) return reportFailure(error);
  auto line = parseLine(args[1], *count);
  if (!line) return reportFailure(noSuchLine(path, args[1], *count));
  if (Outcome deleted = Snapshot().deleteRecord(path, *line, PlayedRecords::Refuse); !deleted) {
    return reportFailure(deleted.message);
  }
  return kExitOk;
}

}  // namespace qlm
