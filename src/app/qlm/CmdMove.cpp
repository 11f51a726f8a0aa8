#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"

namespace qlm {

int cmdMove(CommandArgs args) {
  if (args.size() != 3) return reportUsage("move FILE.qlm FROM TO");
  std::string path(args[0]);
  std::string error;
  auto count = lineCount(path, error);
  if (!count) return reportFailure(error);
  auto from = parseLine(args[1], *count);
  if (!from) return reportFailure(noSuchLine(path, args[1], *count));
  auto to = parseLine(args[2], *count);
  if (!to) return reportFailure(noSuchLine(path, args[2], *count));
  if (Outcome moved = Snapshot().moveRecord(path, *from, *to); !moved) return reportFailure(moved.message);
  return kExitOk;
}

}  // namespace qlm
