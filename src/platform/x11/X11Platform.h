#pragma once
// The X11 desktop as a platform; the program's table of backends.
#include <string>

#include "platform/Platform.h"

namespace qlm {

// Opens `displayName` (empty: $DISPLAY).
PlatformResult createX11Platform(const std::string& displayName);

}  // namespace qlm
