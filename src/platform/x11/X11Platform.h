#pragma once
// The X11 desktop as a platform.
#include <string>

#include "platform/Platform.h"

namespace qlm {

// Opens `displayName` (empty: $DISPLAY).
PlatformResult createX11Platform(const std::string& displayName);
// $DISPLAY, or a private virtual desktop when none is set.
PlatformResult createDefaultX11Platform();

}  // namespace qlm
