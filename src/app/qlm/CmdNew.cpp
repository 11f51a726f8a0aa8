#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"

namespace qlm {

int cmdNew(CommandArgs args) {
  if (args.size() != 1) return reportUsage("new FILE.qlm");
  std::string path(args[0]);
  if (systemFileSystem().exists(path)) return reportFailure(path + " already exists");
  Snapshot snapshot;
  if (!snapshot.beginAppend(path) || !snapshot.finishAppend()) return reportFailure(snapshot.message());
  return kExitOk;
}

}  // namespace qlm
