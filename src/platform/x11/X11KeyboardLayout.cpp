// Characters of key events through libxkbcommon: the keymap is fetched from
// the server over a connection of its own and fetched again whenever the
// server announces a new keyboard or map (setxkbmap), so that the layout in
// use when the key was pressed is the one that names its character.
#include <xcb/xcb.h>
// The header names a member "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <mutex>

#include "platform/KeyboardLayout.h"
#include "platform/TextEncoding.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

// The core modifiers in the order of the X state bits.
constexpr std::array<const char*, 8> kCoreModifiers{XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CAPS, XKB_MOD_NAME_CTRL, "Mod1",
                                                     "Mod2", "Mod3", "Mod4", "Mod5"};
constexpr std::uint32_t kCoreModifierBits = 0xFF;

std::string utf8Of(std::uint32_t codepoint) {
  std::string out;
  if (codepoint < 0x80) {
    out += static_cast<char>(codepoint);
  } else if (codepoint < 0x800) {
    out += static_cast<char>(0xC0 | (codepoint >> 6));
    out += static_cast<char>(0x80 | (codepoint & 0x3F));
  } else if (codepoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codepoint >> 12));
    out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codepoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codepoint >> 18));
    out += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codepoint & 0x3F));
  }
  return out;
}

void changeModifier(ModifierState& state, xkb_keysym_t keysym, bool down) {
  switch (keysym) {
    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: state.shift = down; break;
    case XKB_KEY_Control_L: case XKB_KEY_Control_R: state.control = down; break;
    case XKB_KEY_Alt_L: case XKB_KEY_Alt_R: case XKB_KEY_Meta_L: case XKB_KEY_Meta_R: state.alt = down; break;
    case XKB_KEY_Caps_Lock: if (down) state.capsLock = !state.capsLock; break;
    default: break;
  }
}

class X11KeyboardLayout final : public KeyboardLayout {
public:
  explicit X11KeyboardLayout(std::string displayName) : m_displayName(std::move(displayName)) {}
  ~X11KeyboardLayout() override {
    dropKeymap();
    if (m_context != nullptr) xkb_context_unref(m_context);
    if (m_connection != nullptr) xcb_disconnect(m_connection);
  }

  KeyMeaning meaning(const WatchedEvent& event) override {
    KeyMeaning meaning;
    ModifierState& after = meaning.modifiersAfter;
    after = ModifierState::before(event);
    if (!event.isKey()) return meaning;
    std::lock_guard lock(m_mutex);
    if (!ready()) return meaning;
    auto keycode = static_cast<xkb_keycode_t>(event.scanCode + 8);
    bool down = event.message == watch::kKeyDown;
    xkb_layout_index_t group = (event.keyboardState >> watch::kGroupShift) & 0x3;

    const xkb_keysym_t* plain = nullptr;
    int count = xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &plain);
    for (int i = 0; i < count; ++i) changeModifier(after, plain[i], down);

    xkb_mod_mask_t depressed = 0, locked = 0;
    for (std::size_t bit = 0; bit < kCoreModifiers.size(); ++bit) {
      if ((event.keyboardState & kCoreModifierBits & (1u << bit)) == 0 || m_modifierIndex[bit] == XKB_MOD_INVALID) continue;
      (bit == 1 ? locked : depressed) |= 1u << m_modifierIndex[bit];
    }
    xkb_state_update_mask(m_state, depressed, 0, locked, 0, 0, group);
    std::uint32_t codepoint = xkb_keysym_to_utf32(xkb_state_key_get_one_sym(m_state, keycode));
    if (codepoint < 0x20 || codepoint == 0x7F || (codepoint >= 0x80 && codepoint < 0xA0)) return meaning;
    std::string converted = cp1252FromUtf8(utf8Of(codepoint), '\0');
    if (converted.size() == 1 && converted[0] != '\0') {
      meaning.character = static_cast<unsigned char>(converted[0]);
    } else {
      meaning.outsideCodePage = true;
    }
    return meaning;
  }

private:
  bool ready() {
    if (m_connection == nullptr && !connect()) return false;
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
      changed = true;
      std::free(event);
    }
    if (changed || m_keymap == nullptr) loadKeymap();
    return m_keymap != nullptr;
  }

  bool connect() {
    if (m_failed) return false;
    m_connection = xcb_connect(m_displayName.empty() ? nullptr : m_displayName.c_str(), nullptr);
    std::uint8_t base = 0;
    if (xcb_connection_has_error(m_connection) != 0 ||
        xkb_x11_setup_xkb_extension(m_connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &base, nullptr) == 0) {
      m_failed = true;
      return false;
    }
    m_context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    m_device = xkb_x11_get_core_keyboard_device_id(m_connection);
    auto events = static_cast<std::uint16_t>(XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY);
    xcb_xkb_select_events(m_connection, static_cast<xcb_xkb_device_spec_t>(m_device), events, 0, events, 0xFF, 0xFF,
                          nullptr);
    xcb_flush(m_connection);
    if (m_context == nullptr || m_device < 0) {
      m_failed = true;
      return false;
    }
    return true;
  }

  void loadKeymap() {
    dropKeymap();
    m_keymap = xkb_x11_keymap_new_from_device(m_context, m_connection, m_device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (m_keymap == nullptr) return;
    m_state = xkb_x11_state_new_from_device(m_keymap, m_connection, m_device);
    if (m_state == nullptr) {
      dropKeymap();
      return;
    }
    for (std::size_t bit = 0; bit < kCoreModifiers.size(); ++bit) {
      m_modifierIndex[bit] = xkb_keymap_mod_get_index(m_keymap, kCoreModifiers[bit]);
    }
  }

  void dropKeymap() {
    if (m_state != nullptr) xkb_state_unref(m_state);
    if (m_keymap != nullptr) xkb_keymap_unref(m_keymap);
    m_state = nullptr;
    m_keymap = nullptr;
  }

  std::string m_displayName;
  std::mutex m_mutex;
  xcb_connection_t* m_connection = nullptr;
  xkb_context* m_context = nullptr;
  xkb_keymap* m_keymap = nullptr;
  xkb_state* m_state = nullptr;
  std::int32_t m_device = -1;
  std::array<xkb_mod_index_t, 8> m_modifierIndex{};
  bool m_failed = false;
};

}  // namespace

std::unique_ptr<KeyboardLayout> makeKeyboardLayout(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11KeyboardLayout>(connection->displayName());
}

}  // namespace qlm::x11
