#include "app/qlm/ToolSupport.h"

namespace qlm {

int cmdSet(CommandArgs args) {
  if (args.size() < 3) return reportUsage("set FILE.qlm LINE FIELD=VALUE...");
  return reportFailure("set: not available yet");
}

}  // namespace qlm
