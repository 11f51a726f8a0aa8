#include "playback/UserActivityWatch.h"

#include "language/Document.h"
#include "platform/Processes.h"

namespace qlm {

UserActivityWatch::UserActivityWatch(Document& document, Sound* sound, int movementWaitMs)
    : m_document(document), m_sound(sound), m_movementWait(movementWaitMs) {}

bool UserActivityWatch::install(InputWatch& watch) {
  m_subscription = watch.listen([this](const WatchedEvent& event) { onEvent(event); });
  return m_subscription.active();
}

void UserActivityWatch::onEvent(const WatchedEvent& event) {
  if (event.isKey()) {
    onKey(event);
  } else {
    onPointer(event);
  }
}

// The X server cannot swallow the end key, so it reaches the focused window
// anyway; what matters is that playback stops and that our own injected keys
// never count as the user's. Keys that other programs inject (a remote
// desktop) are the user's.
void UserActivityWatch::onKey(const WatchedEvent& event) {
  if (event.ours) return;
  PlaybackFlags& flags = m_document.flags();
  if (event.message == watch::kKeyDown && event.virtualKey == m_document.endKey().virtualKey) {
    flags.endKey = true;
    flags.running = false;
    if (m_sound) m_sound->beep(4000, 100);
    return;
  }
  if (flags.running) flags.userActive = false;
}

// The watch tells our own injected events apart, so they never pause
// playback; every other movement restarts the movement wait.
void UserActivityWatch::onPointer(const WatchedEvent& event) {
  PlaybackFlags& flags = m_document.flags();
  if (event.ours || !flags.running) return;
  if (event.message == watch::kMouseMove && flags.pointerMovesIgnored > 0) {
    --flags.pointerMovesIgnored;
    return;
  }
  flags.userActive = false;
  if (event.message == watch::kMouseMove) flags.movementWaitLeft = m_movementWait;
}

}  // namespace qlm
