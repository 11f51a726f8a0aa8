#pragma once
// What a watched key event means on the desktop's current keyboard layout:
// the character it types and the modifiers held once it has happened.
#include <optional>

#include "platform/InputWatch.h"

namespace qlm {

struct ModifierState {
  bool shift = false;
  bool control = false;
  bool alt = false;  // the Alt key itself; AltGr only selects characters
  bool capsLock = false;
  friend bool operator==(const ModifierState&, const ModifierState&) = default;

  // The modifiers held before the event, as the watch reports them.
  static ModifierState before(const WatchedEvent& event) {
    return {(event.keyboardState & watch::kStateShift) != 0, (event.keyboardState & watch::kStateControl) != 0,
            (event.keyboardState & watch::kStateAlt) != 0, (event.keyboardState & watch::kStateCapsLock) != 0};
  }
};

struct KeyMeaning {
  // Windows-1252, never a control character; none for keys that type nothing.
  std::optional<unsigned char> character;
  // The key types a character that Windows-1252 lacks (it is not recorded).
  bool outsideCodePage = false;
  ModifierState modifiersAfter;
};

class KeyboardLayout {
public:
  virtual ~KeyboardLayout() = default;
  // Key events give their character; pointer events only the modifiers.
  // Called on the input watch's thread.
  virtual KeyMeaning meaning(const WatchedEvent& event) = 0;
};

}  // namespace qlm
