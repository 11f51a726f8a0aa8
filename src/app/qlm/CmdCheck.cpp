#include "app/qlm/ToolSupport.h"

namespace qlm {

int cmdCheck(CommandArgs args) {
  if (args.size() != 1) return reportUsage("check FILE.qlm");
  return reportFailure("check: not available yet");
}

}  // namespace qlm
