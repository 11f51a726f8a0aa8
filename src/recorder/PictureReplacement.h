#pragma once
// "Replace image": a record gets a new picture of its window as the screen
// shows it now, and keeps everything else.
#include <string>

#include "platform/Outcome.h"

namespace qlm {

struct Platform;

// `line` is 0-based. The record's window (found by class and title, waiting
// up to two seconds) is brought forward first; a whole-screen record takes
// the whole screen. A click point or image area that no longer fits into the
// picture is reset to the small boxes near the top-left corner.
Outcome replaceRecordPicture(Platform& platform, const std::string& path, int line);

}  // namespace qlm
