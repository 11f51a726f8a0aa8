#pragma once
// Windows virtual keys against X keycodes and keysyms, for one keyboard map.
#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

struct _XDisplay;

namespace qlm::x11 {

struct KeyLevel {
  unsigned keycode = 0;
  int level = 0;  // 0 plain, 1 with Shift
};

class Keymap {
public:
  void load(_XDisplay* display);

  unsigned keycodeForVirtualKey(int virtualKey) const;
  int virtualKeyForKeycode(unsigned keycode) const;
  std::optional<KeyLevel> keyForKeysym(unsigned long keysym) const;
  const std::vector<unsigned>& spareKeycodes() const { return m_spare; }
  int keysymsPerKeycode() const { return m_keysymsPerKeycode; }

private:
  std::array<unsigned, 256> m_keycodeOfVk{};
  std::array<int, 256> m_vkOfKeycode{};
  std::unordered_map<unsigned long, KeyLevel> m_keyOfKeysym;
  std::vector<unsigned> m_spare;
  int m_keysymsPerKeycode = 0;
};

// The keysym that types a Windows-1252 character (line feed types Return).
unsigned long keysymForCharacter(unsigned char character);
// The keysym a virtual key stands for when the keyboard has no key for it.
unsigned long keysymForVirtualKey(int virtualKey);
// Whether the key of a virtual key is an "extended" one for the hooks' flags.
bool isExtendedVirtualKey(int virtualKey);

}  // namespace qlm::x11
