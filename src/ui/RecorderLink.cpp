#include "ui/RecorderLink.h"

namespace qlm {

// Queued connections carry these to the thread of the windows.
void RecorderLink::recordMade(const MadeRecord& record) { emit made(record.line); }

void RecorderLink::recordingStopped(const Outcome& cleanUp) {
  const std::string& message = cleanUp.message;
  emit stopped(cleanUp.ok ? QString() : QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())));
}

}  // namespace qlm
