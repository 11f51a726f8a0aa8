// The program's table of desktop backends: the real desktop first, the
// simulated one for dry runs and tests. A library of its own, so that the
// backends never depend on each other.
#include <cstdlib>

#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"
#include "platform/x11/X11Platform.h"

namespace qlm {
namespace {

constexpr PlatformEntry kBackends[] = {
    {"x11", createDefaultX11Platform},
    {"sim", createSimPlatform},
};

}  // namespace

std::span<const PlatformEntry> platformTable() { return kBackends; }

PlatformResult openPlatform() {
  const char* chosen = std::getenv(std::string(kPlatformVariable).c_str());
  return selectPlatform(platformTable(), chosen != nullptr ? chosen : "");
}

}  // namespace qlm
