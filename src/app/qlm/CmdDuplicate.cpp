#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"

namespace qlm {

int cmdDuplicate(CommandArgs args) {
  if (args.size() != 3) return reportUsage("duplicate FILE.qlm LINE TO");
  std::string path(args[0]);
  std::string error;
  auto count = lineCount(path, error);
  if (!count) return reportFailure(error);
  auto source = parseLine(args[1], *count);
  if (!source) return reportFailure(noSuchLine(path, args[1], *count));
  // The copy may also go behind the last line.
  auto position = parseLine(args[2], *count + 1);
  if (!position) return reportFailure(path + " has no position " + std::string(args[2]) + " for the copy");
  if (Outcome copied = Snapshot().duplicateRecord(path, *source, *position); !copied) {
    return reportFailure(copied.message);
  }
  return kExitOk;
}

}  // namespace qlm
