// Injection through the XTest extension.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>
#include <unordered_map>

#include "platform/VirtualKeys.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

class X11Input final : public Input {
public:
  explicit X11Input(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {
    auto lock = m_connection->lock();
    int event = 0, error = 0, major = 0, minor = 0;
    m_xtest = XTestQueryExtension(dpy(), &event, &error, &major, &minor) != 0;
    m_keymap.load(dpy());
    m_pool = m_keymap.spareKeycodes();
  }

  ~X11Input() override {
    auto lock = m_connection->lock();
    if (m_lent.empty()) return;
    // The targets must have read the lent keys before they lose their symbols.
    XSync(dpy(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<KeySym> none(static_cast<std::size_t>(std::max(m_keymap.keysymsPerKeycode(), 1)), NoSymbol);
    for (const auto& [keysym, keycode] : m_lent) {
      XChangeKeyboardMapping(dpy(), static_cast<int>(keycode), static_cast<int>(none.size()), none.data(), 1);
    }
    XSync(dpy(), False);
  }

  Point pointerPosition() override {
    auto lock = m_connection->lock();
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(dpy(), m_connection->root(), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {rootX, rootY};
  }

  bool setPointerPosition(Point position) override {
    auto lock = m_connection->lock();
    if (!m_xtest) return false;
    m_connection->ledger().sent(MotionNotify, 0);
    XTestFakeMotionEvent(dpy(), -1, position.x, position.y, CurrentTime);
    XFlush(dpy());
    return true;
  }

  bool sendKey(int virtualKey, bool up) override {
    auto lock = m_connection->lock();
    if (!m_xtest) return false;
    refreshKeymap();
    unsigned keycode = m_keymap.keycodeForVirtualKey(virtualKey);
    if (keycode == 0) keycode = lendKey(keysymForVirtualKey(virtualKey));
    return fakeKey(keycode, up);
  }

  bool sendMouse(std::uint32_t flags) override {
    auto lock = m_connection->lock();
    if (!m_xtest || flags == 0) return false;
    struct ButtonFlag {
      std::uint32_t flag;
      unsigned button;
      bool press;
    };
    constexpr ButtonFlag kButtons[] = {{mouse::kLeftDown, 1, true},   {mouse::kLeftUp, 1, false},
                                       {mouse::kRightDown, 3, true},  {mouse::kRightUp, 3, false},
                                       {mouse::kMiddleDown, 2, true}, {mouse::kMiddleUp, 2, false}};
    if ((flags & mouse::kMove) != 0) {
      m_connection->ledger().sent(MotionNotify, 0);
      XTestFakeRelativeMotionEvent(dpy(), 0, 0, CurrentTime);
    }
    for (const auto& button : kButtons) {
      if ((flags & button.flag) == 0) continue;
      m_connection->ledger().sent(button.press ? ButtonPress : ButtonRelease, button.button);
      XTestFakeButtonEvent(dpy(), button.button, button.press ? True : False, CurrentTime);
    }
    XFlush(dpy());
    return true;
  }

  bool sendCharacter(unsigned char character, bool up) override {
    auto lock = m_connection->lock();
    if (!m_xtest) return false;
    refreshKeymap();
    return fakeKey(lendKey(keysymForCharacter(character)), up);
  }

  Delivery sendKeyInto(WindowId target, int virtualKey, bool up) override {
    auto lock = m_connection->lock();
    if (!m_xtest) return Delivery::Refused;
    refreshKeymap();
    unsigned keycode = m_keymap.keycodeForVirtualKey(virtualKey);
    if (keycode == 0) keycode = lendKey(keysymForVirtualKey(virtualKey));
    return whileInside(target, false, [&] { return fakeKey(keycode, up); });
  }

  Delivery sendCharacterInto(WindowId target, unsigned char character, bool up) override {
    auto lock = m_connection->lock();
    if (!m_xtest) return Delivery::Refused;
    refreshKeymap();
    unsigned keycode = lendKey(keysymForCharacter(character));
    return whileInside(target, false, [&] { return fakeKey(keycode, up); });
  }

  Delivery sendMouseOnto(WindowId target, std::uint32_t flags) override {
    auto lock = m_connection->lock();
    if (!m_xtest || flags == 0) return Delivery::Refused;
    return whileInside(target, true, [&] { return sendMouse(flags); });
  }

  bool isKeyDown(int virtualKey) override {
    auto lock = m_connection->lock();
    refreshKeymap();
    char keys[32] = {};
    XQueryKeymap(dpy(), keys);
    auto down = [&](int key) {
      unsigned keycode = m_keymap.keycodeForVirtualKey(key);
      return keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
    };
    switch (virtualKey) {
      case vk::kShift: return down(vk::kLShift) || down(vk::kRShift);
      case vk::kControl: return down(vk::kLControl) || down(vk::kRControl);
      case vk::kMenu: return down(vk::kLMenu) || down(vk::kRMenu);
      default: return down(virtualKey);
    }
  }

  bool isCapsLockOn() override {
    auto lock = m_connection->lock();
    XkbStateRec state{};
    if (XkbGetState(dpy(), XkbUseCoreKbd, &state) != Success) return false;
    return (state.locked_mods & LockMask) != 0;
  }

  std::optional<KeyStroke> keyForCharacter(unsigned char character) override {
    auto lock = m_connection->lock();
    refreshKeymap();
    auto key = m_keymap.keyForKeysym(keysymForCharacter(character));
    if (!key) return std::nullopt;
    int virtualKey = m_keymap.virtualKeyForKeycode(key->keycode);
    // Only a key that its virtual key presses again can be typed by it.
    if (virtualKey == 0 || m_keymap.keycodeForVirtualKey(virtualKey) != key->keycode) return std::nullopt;
    return KeyStroke{virtualKey, key->level == 1 ? 1 : 0};
  }

private:
  Display* dpy() const { return m_connection->display(); }

  void refreshKeymap() {
    XEvent event;
    bool changed = false;
    while (XCheckTypedEvent(dpy(), MappingNotify, &event)) {
      XRefreshKeyboardMapping(&event.xmapping);
      changed = true;
    }
    if (changed) m_keymap.load(dpy());
  }

  // The server is grabbed from the test to the event, so that no other
  // client can move the focus or the pointer in between; the grab asks
  // nothing of other clients, so it cannot wait on them.
  template <class Send>
  Delivery whileInside(WindowId target, bool pointer, Send send) {
    if (target == kNoWindow) return send() ? Delivery::Sent : Delivery::Refused;
    ErrorTrap trap(dpy());
    XGrabServer(dpy());
    const bool inside = pointer ? pointerInside(dpy(), m_connection->root(), target)
                                : focusInside(dpy(), m_connection->root(), target);
    const bool sent = inside && send();
    XUngrabServer(dpy());
    XFlush(dpy());
    if (!inside) return Delivery::OutsideTarget;
    return sent ? Delivery::Sent : Delivery::Refused;
  }

  bool fakeKey(unsigned keycode, bool up) {
    if (keycode == 0) return false;
    m_connection->ledger().sent(up ? KeyRelease : KeyPress, keycode);
    XTestFakeKeyEvent(dpy(), keycode, up ? False : True, CurrentTime);
    XFlush(dpy());
    return true;
  }

  // Spare keycodes are lent round robin, so that a key keeps its symbol until
  // many others have been typed and the target has long read it.
  unsigned lendKey(unsigned long keysym) {
    if (keysym == NoSymbol || m_pool.empty()) return 0;
    if (auto found = m_lent.find(keysym); found != m_lent.end()) return found->second;
    unsigned keycode = m_pool[m_nextSpare++ % m_pool.size()];
    std::erase_if(m_lent, [keycode](const auto& entry) { return entry.second == keycode; });
    std::vector<KeySym> syms(static_cast<std::size_t>(std::max(m_keymap.keysymsPerKeycode(), 2)), NoSymbol);
    syms[0] = syms[1] = keysym;
    XChangeKeyboardMapping(dpy(), static_cast<int>(keycode), static_cast<int>(syms.size()), syms.data(), 1);
    // The mapping must be in place before the key event is processed.
    XSync(dpy(), False);
    m_lent.emplace(keysym, keycode);
    return keycode;
  }

  std::shared_ptr<Connection> m_connection;
  bool m_xtest = false;
  Keymap m_keymap;
  std::vector<unsigned> m_pool;
  std::size_t m_nextSpare = 0;
  std::unordered_map<unsigned long, unsigned> m_lent;
};

}  // namespace

std::unique_ptr<Input> makeInput(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Input>(std::move(connection));
}

}  // namespace qlm::x11
