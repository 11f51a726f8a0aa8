#include "platform/UsLayout.h"

#include <array>

#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

struct KeyRow {
  int virtualKey;
  char plain;
  char shifted;
};

// Keys other than letters, in the order of the keyboard rows.
constexpr std::array kKeys{
    KeyRow{vk::kOem3, '`', '~'},       KeyRow{'1', '1', '!'},           KeyRow{'2', '2', '@'},
    KeyRow{'3', '3', '#'},             KeyRow{'4', '4', '$'},           KeyRow{'5', '5', '%'},
    KeyRow{'6', '6', '^'},             KeyRow{'7', '7', '&'},           KeyRow{'8', '8', '*'},
    KeyRow{'9', '9', '('},             KeyRow{'0', '0', ')'},           KeyRow{vk::kOemMinus, '-', '_'},
    KeyRow{vk::kOemPlus, '=', '+'},    KeyRow{vk::kOem4, '[', '{'},     KeyRow{vk::kOem6, ']', '}'},
    KeyRow{vk::kOem5, '\\', '|'},      KeyRow{vk::kOem1, ';', ':'},     KeyRow{vk::kOem7, '\'', '"'},
    KeyRow{vk::kOemComma, ',', '<'},   KeyRow{vk::kOemPeriod, '.', '>'}, KeyRow{vk::kOem2, '/', '?'},
    KeyRow{vk::kSpace, ' ', ' '},      KeyRow{vk::kTab, '\t', '\t'},    KeyRow{vk::kReturn, '\r', '\r'},
    KeyRow{vk::kMultiply, '*', '*'},   KeyRow{vk::kAdd, '+', '+'},      KeyRow{vk::kSubtract, '-', '-'},
    KeyRow{vk::kDecimal, '.', '.'},    KeyRow{vk::kDivide, '/', '/'},
};

}  // namespace

std::optional<KeyStroke> usKeyForCharacter(unsigned char character) {
  if (character >= 'a' && character <= 'z') return KeyStroke{character - 'a' + vk::kA, 0};
  if (character >= 'A' && character <= 'Z') return KeyStroke{character - 'A' + vk::kA, 1};
  if (character == '\n') return KeyStroke{vk::kReturn, 0};
  for (const auto& key : kKeys) {
    if (key.virtualKey >= vk::kMultiply && key.virtualKey <= vk::kDivide) continue;  // main keys first
    if (static_cast<unsigned char>(key.plain) == character) return KeyStroke{key.virtualKey, 0};
    if (static_cast<unsigned char>(key.shifted) == character) return KeyStroke{key.virtualKey, 1};
  }
  return std::nullopt;
}

std::optional<unsigned char> usCharacterForKey(int virtualKey, bool shift, bool capsLock) {
  if (virtualKey >= vk::kA && virtualKey < vk::kA + 26) {
    bool upper = shift != capsLock;
    return static_cast<unsigned char>((upper ? 'A' : 'a') + (virtualKey - vk::kA));
  }
  if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad0 + 9) {
    return static_cast<unsigned char>('0' + (virtualKey - vk::kNumpad0));
  }
  for (const auto& key : kKeys) {
    if (key.virtualKey == virtualKey) return static_cast<unsigned char>(shift ? key.shifted : key.plain);
  }
  return std::nullopt;
}

}  // namespace qlm
