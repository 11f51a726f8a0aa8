#include <cstdio>

#include "app/qlm/Commands.h"

namespace qlm {

int cmdEval(CommandArgs args) {
  if (args.empty()) {
    std::fputs("usage: qlm eval [--json] TEXT [$NAME=VALUE | $NAME VALUE]...\n", stderr);
    return kExitUsage;
  }
  std::fputs("qlm eval: not available yet\n", stderr);
  return kExitFailed;
}

}  // namespace qlm
