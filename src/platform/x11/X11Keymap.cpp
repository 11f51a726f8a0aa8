#include "platform/x11/X11Keymap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstring>
#include <string_view>

#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"

namespace qlm::x11 {
namespace {

struct KeysymVk {
  unsigned long keysym;
  int virtualKey;
};

// Keys known by what they do, whatever the layout.
constexpr KeysymVk kFunctionKeys[] = {
    {XK_BackSpace, vk::kBack},    {XK_Tab, vk::kTab},          {XK_ISO_Left_Tab, vk::kTab},
    {XK_Clear, vk::kClear},       {XK_Return, vk::kReturn},    {XK_KP_Enter, vk::kReturn},
    {XK_Shift_L, vk::kLShift},    {XK_Shift_R, vk::kRShift},   {XK_Control_L, vk::kLControl},
    {XK_Control_R, vk::kRControl}, {XK_Alt_L, vk::kLMenu},     {XK_Alt_R, vk::kRMenu},
    {XK_ISO_Level3_Shift, vk::kRMenu}, {XK_Pause, vk::kPause}, {XK_Caps_Lock, vk::kCapital},
    {XK_Escape, vk::kEscape},     {XK_space, vk::kSpace},      {XK_Prior, vk::kPrior},
    {XK_Next, vk::kNext},         {XK_End, vk::kEnd},          {XK_Home, vk::kHome},
    {XK_Left, vk::kLeft},         {XK_Up, vk::kUp},            {XK_Right, vk::kRight},
    {XK_Down, vk::kDown},         {XK_Select, vk::kSelect},    {XK_Print, vk::kSnapshot},
    {XK_Execute, vk::kExecute},   {XK_Insert, vk::kInsert},    {XK_Delete, vk::kDelete},
    {XK_Help, vk::kHelp},         {XK_Super_L, vk::kLWin},     {XK_Super_R, vk::kRWin},
    {XK_Menu, vk::kApps},         {XK_KP_Multiply, vk::kMultiply}, {XK_KP_Add, vk::kAdd},
    {XK_KP_Separator, vk::kSeparator}, {XK_KP_Subtract, vk::kSubtract}, {XK_KP_Decimal, vk::kDecimal},
    {XK_KP_Divide, vk::kDivide},  {XK_Num_Lock, vk::kNumLock}, {XK_Scroll_Lock, vk::kScroll},
    {XK_KP_0, vk::kNumpad0},      {XK_KP_1, vk::kNumpad0 + 1}, {XK_KP_2, vk::kNumpad0 + 2},
    {XK_KP_3, vk::kNumpad0 + 3},  {XK_KP_4, vk::kNumpad0 + 4}, {XK_KP_5, vk::kNumpad0 + 5},
    {XK_KP_6, vk::kNumpad0 + 6},  {XK_KP_7, vk::kNumpad0 + 7}, {XK_KP_8, vk::kNumpad0 + 8},
    {XK_KP_9, vk::kNumpad0 + 9},
};

struct NameVk {
  const char* name;
  int virtualKey;
};

// Digit and punctuation keys are known by their place on the keyboard, as
// Windows numbers them on any layout.
constexpr NameVk kPlaces[] = {
    {"AE01", '1'}, {"AE02", '2'}, {"AE03", '3'}, {"AE04", '4'}, {"AE05", '5'},
    {"AE06", '6'}, {"AE07", '7'}, {"AE08", '8'}, {"AE09", '9'}, {"AE10", '0'},
    {"AE11", vk::kOemMinus}, {"AE12", vk::kOemPlus}, {"AD11", vk::kOem4}, {"AD12", vk::kOem6},
    {"BKSL", vk::kOem5}, {"AC10", vk::kOem1}, {"AC11", vk::kOem7}, {"TLDE", vk::kOem3},
    {"AB08", vk::kOemComma}, {"AB09", vk::kOemPeriod}, {"AB10", vk::kOem2}, {"LSGT", vk::kOem102},
};

int virtualKeyOfFunctionKeysym(unsigned long keysym) {
  if (keysym >= XK_F1 && keysym <= XK_F24) return vk::kF1 + static_cast<int>(keysym - XK_F1);
  for (const auto& entry : kFunctionKeys) {
    if (entry.keysym == keysym) return entry.virtualKey;
  }
  return 0;
}

// Generic modifiers press their left key.
int leftVariant(int virtualKey) {
  switch (virtualKey) {
    case vk::kShift: return vk::kLShift;
    case vk::kControl: return vk::kLControl;
    case vk::kMenu: return vk::kLMenu;
    default: return virtualKey;
  }
}

}  // namespace

void Keymap::load(_XDisplay* display) {
  m_keycodeOfVk.fill(0);
  m_vkOfKeycode.fill(0);
  m_keyOfKeysym.clear();
  m_spare.clear();
  int minKeycode = 0, maxKeycode = 0;
  XDisplayKeycodes(display, &minKeycode, &maxKeycode);
  int count = maxKeycode - minKeycode + 1;
  KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode), count, &m_keysymsPerKeycode);
  if (syms == nullptr) return;
  XkbDescPtr desc = XkbGetMap(display, 0, XkbUseCoreKbd);
  bool named = desc != nullptr && XkbGetNames(display, XkbKeyNamesMask, desc) == Success && desc->names != nullptr;

  for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
    const KeySym* row = syms + static_cast<std::ptrdiff_t>(keycode - minKeycode) * m_keysymsPerKeycode;
    bool any = false;
    for (int i = 0; i < m_keysymsPerKeycode; ++i) any |= row[i] != NoSymbol;
    if (!any) {
      m_spare.push_back(static_cast<unsigned>(keycode));
      continue;
    }
    for (int level = 0; level < 2 && level < m_keysymsPerKeycode; ++level) {
      if (row[level] != NoSymbol) m_keyOfKeysym.try_emplace(row[level], KeyLevel{static_cast<unsigned>(keycode), level});
    }
    int virtualKey = 0;
    for (int i = 0; i < m_keysymsPerKeycode && i < 2 && virtualKey == 0; ++i) virtualKey = virtualKeyOfFunctionKeysym(row[i]);
    if (virtualKey == 0 && row[0] >= XK_a && row[0] <= XK_z) virtualKey = vk::kA + static_cast<int>(row[0] - XK_a);
    if (virtualKey == 0 && named) {
      const char* name = desc->names->keys[keycode].name;
      for (const auto& place : kPlaces) {
        if (std::strncmp(name, place.name, XkbKeyNameLength) == 0) virtualKey = place.virtualKey;
      }
    }
    m_vkOfKeycode[static_cast<std::size_t>(keycode)] = virtualKey;
    if (virtualKey != 0 && m_keycodeOfVk[static_cast<std::size_t>(virtualKey)] == 0) {
      m_keycodeOfVk[static_cast<std::size_t>(virtualKey)] = static_cast<unsigned>(keycode);
    }
  }
  // A layout without a place name still types its digits.
  for (int digit = 0; digit < 10; ++digit) {
    auto key = m_keyOfKeysym.find(XK_0 + static_cast<unsigned long>(digit));
    if (m_keycodeOfVk[static_cast<std::size_t>('0' + digit)] == 0 && key != m_keyOfKeysym.end()) {
      m_keycodeOfVk[static_cast<std::size_t>('0' + digit)] = key->second.keycode;
    }
  }
  XFree(syms);
  if (desc != nullptr) XkbFreeKeyboard(desc, 0, True);
}

unsigned Keymap::keycodeForVirtualKey(int virtualKey) const {
  virtualKey = leftVariant(virtualKey);
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  return m_keycodeOfVk[static_cast<std::size_t>(virtualKey)];
}

int Keymap::virtualKeyForKeycode(unsigned keycode) const {
  return keycode < 256 ? m_vkOfKeycode[keycode] : 0;
}

std::optional<KeyLevel> Keymap::keyForKeysym(unsigned long keysym) const {
  auto found = m_keyOfKeysym.find(keysym);
  if (found == m_keyOfKeysym.end()) return std::nullopt;
  return found->second;
}

unsigned long keysymForCharacter(unsigned char character) {
  if (character == '\n' || character == '\r') return XK_Return;
  if (character == '\t') return XK_Tab;
  if (character == '\b') return XK_BackSpace;
  if (character == 0x1B) return XK_Escape;
  if ((character >= 0x20 && character < 0x7F) || character >= 0xA0) return character;
  // 0x80..0x9F hold other characters in Windows-1252: use their code points.
  std::string utf8 = utf8FromCp1252(std::string_view(reinterpret_cast<const char*>(&character), 1));
  if (utf8.size() == 3) {
    unsigned long code = ((static_cast<unsigned char>(utf8[0]) & 0x0Fu) << 12) |
                         ((static_cast<unsigned char>(utf8[1]) & 0x3Fu) << 6) | (static_cast<unsigned char>(utf8[2]) & 0x3Fu);
    return code == 0x20AC ? XK_EuroSign : 0x01000000UL | code;
  }
  if (utf8.size() == 2) {
    return 0x01000000UL | ((static_cast<unsigned char>(utf8[0]) & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[1]) & 0x3Fu);
  }
  return NoSymbol;
}

unsigned long keysymForVirtualKey(int virtualKey) {
  virtualKey = leftVariant(virtualKey);
  if (virtualKey >= vk::kA && virtualKey < vk::kA + 26) return XK_a + static_cast<unsigned long>(virtualKey - vk::kA);
  if (virtualKey >= '0' && virtualKey <= '9') return XK_0 + static_cast<unsigned long>(virtualKey - '0');
  if (virtualKey >= vk::kF1 && virtualKey <= vk::kF24) return XK_F1 + static_cast<unsigned long>(virtualKey - vk::kF1);
  for (const auto& entry : kFunctionKeys) {
    if (entry.virtualKey == virtualKey) return entry.keysym;
  }
  constexpr KeysymVk kUsPunctuation[] = {
      {XK_semicolon, vk::kOem1}, {XK_equal, vk::kOemPlus}, {XK_comma, vk::kOemComma},
      {XK_minus, vk::kOemMinus}, {XK_period, vk::kOemPeriod}, {XK_slash, vk::kOem2},
      {XK_grave, vk::kOem3}, {XK_bracketleft, vk::kOem4}, {XK_backslash, vk::kOem5},
      {XK_bracketright, vk::kOem6}, {XK_apostrophe, vk::kOem7}, {XK_less, vk::kOem102},
  };
  for (const auto& entry : kUsPunctuation) {
    if (entry.virtualKey == virtualKey) return entry.keysym;
  }
  return NoSymbol;
}

bool isExtendedVirtualKey(int virtualKey) {
  switch (virtualKey) {
    case vk::kRControl: case vk::kRMenu: case vk::kInsert: case vk::kDelete: case vk::kHome: case vk::kEnd:
    case vk::kPrior: case vk::kNext: case vk::kLeft: case vk::kUp: case vk::kRight: case vk::kDown:
    case vk::kDivide: case vk::kNumLock: case vk::kLWin: case vk::kRWin: case vk::kApps: case vk::kSnapshot:
      return true;
    default:
      return false;
  }
}

}  // namespace qlm::x11
