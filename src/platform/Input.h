#pragma once
// Injection of keys and mouse buttons, pointer placement and key state.
#include <cstdint>
#include <optional>

#include "platform/Geometry.h"

namespace qlm {

// Mouse event flags with the values the key tables store.
namespace mouse {
inline constexpr std::uint32_t kMove = 0x1;
inline constexpr std::uint32_t kLeftDown = 0x2;
inline constexpr std::uint32_t kLeftUp = 0x4;
inline constexpr std::uint32_t kRightDown = 0x8;
inline constexpr std::uint32_t kRightUp = 0x10;
inline constexpr std::uint32_t kMiddleDown = 0x20;
inline constexpr std::uint32_t kMiddleUp = 0x40;
}  // namespace mouse

// How the layout types a character: a virtual key and the shift state that
// goes with it (1 Shift, 2 Ctrl, 4 Alt; 6 is AltGr), as VkKeyScan answers.
struct KeyStroke {
  int virtualKey = 0;
  int shiftState = 0;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// What became of an event that may only reach one window.
enum class Delivery {
  Sent,
  Refused,        // nothing was inserted (the caller may retry)
  OutsideTarget,  // the focus or the pointer is not in the target: nothing was sent
};

class Input {
public:
  virtual ~Input() = default;

  virtual Point pointerPosition() = 0;
  virtual bool setPointerPosition(Point position) = 0;

  // One key event; false when nothing was inserted (the caller may retry).
  virtual bool sendKey(int virtualKey, bool up) = 0;
  // One mouse event at the pointer with the flags of `mouse::`; kMove alone
  // is the zero-length move.
  virtual bool sendMouse(std::uint32_t flags) = 0;
  // One key event for a character that the layout has no key for (Windows-1252
  // code), typed through a key that is lent to it for the moment.
  virtual bool sendCharacter(unsigned char character, bool up) = 0;

  // As sendKey, sendCharacter and sendMouse, but only while the keyboard
  // focus (keys) or the pointer (buttons) is inside `target`, its child
  // windows or its transient dialogs; the test and the event are one step, so
  // that no other program can move the focus in between. kNoWindow: anywhere.
  virtual Delivery sendKeyInto(WindowId target, int virtualKey, bool up) = 0;
  virtual Delivery sendCharacterInto(WindowId target, unsigned char character, bool up) = 0;
  virtual Delivery sendMouseOnto(WindowId target, std::uint32_t flags) = 0;

  // Whether the key is held now (Shift, Ctrl, Alt, both Windows keys, ...).
  virtual bool isKeyDown(int virtualKey) = 0;
  virtual bool isCapsLockOn() = 0;

  // The key and shift state of the current layout that type `character`
  // (Windows-1252), nothing when the layout cannot type it.
  virtual std::optional<KeyStroke> keyForCharacter(unsigned char character) = 0;
};

}  // namespace qlm
