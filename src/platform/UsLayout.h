#pragma once
// The US keyboard layout as a table: which key and shift state type a
// character, and which character a key gives. The simulated desktop types
// with it; it also stands for "a layout" in tests.
#include <optional>

#include "platform/Input.h"

namespace qlm {

std::optional<KeyStroke> usKeyForCharacter(unsigned char character);
// Character of a key (Windows-1252), nothing for keys that type none.
std::optional<unsigned char> usCharacterForKey(int virtualKey, bool shift, bool capsLock);

}  // namespace qlm
