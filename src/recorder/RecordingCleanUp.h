#pragma once
// The recorder's changes to records already in the document file.
#include <string>

#include "platform/Outcome.h"

namespace qlm {

// A press notation written last becomes a press and release: in the last
// "[", a backslash before it becomes 'V'. False when there was none.
bool turnPressIntoTap(std::string& text);

// The same on the last record of the file, when it was recorded as a press
// (sense 0); its sense becomes 2.
Outcome turnLastRecordIntoTap(const std::string& path);

// At stop: two clicks at one place become one record of a double click, the
// digit that the left Windows key typed is removed, and records left without
// an instruction are deleted.
Outcome tidyRecording(const std::string& path);

}  // namespace qlm
