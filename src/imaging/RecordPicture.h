#pragma once
// A record's stored picture, read from its document file for playback.
#include <string>

#include "platform/Result.h"
#include "platform/Picture.h"

namespace qlm {

// The colours as stored; the message says why there is no picture.
Result<Picture> readRecordPicture(const std::string& path, int index);

}  // namespace qlm
