#pragma once
// Watches the user's own keyboard and pointer for the whole life of the
// program: the end key stops playback, and a user who moves the pointer
// during playback pauses it for the configured movement wait.
#include "platform/InputWatch.h"

namespace qlm {

class Document;
class Sound;

class UserActivityWatch {
 public:
  UserActivityWatch(Document& document, Sound* sound, int movementWaitMs);

  // InstallHookUser: false when the desktop cannot be watched.
  bool install(InputWatch& watch);
  // UnInstallHookUser.
  void uninstall() { m_subscription = {}; }

  // Called on the watch's thread for every event of the desktop.
  void onEvent(const WatchedEvent& event);
  int movementWait() const { return m_movementWait; }

 private:
  void onKey(const WatchedEvent& event);
  void onPointer(const WatchedEvent& event);

  Document& m_document;
  Sound* m_sound;
  int m_movementWait;
  WatchSubscription m_subscription;
};

}  // namespace qlm
