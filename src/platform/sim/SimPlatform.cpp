#include <algorithm>
#include <array>

#include "platform/UsLayout.h"
#include "platform/VirtualKeys.h"
#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

using DesktopPtr = std::shared_ptr<SimDesktop>;

class SimWindows final : public Windows {
public:
  explicit SimWindows(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}

  std::vector<WindowId> topLevelWindows() override {
    std::vector<WindowId> result;
    for (WindowId id : m_desktop->windowsFrontToBack()) {
      if (auto info = m_desktop->windowInfo(id); info && !info->spec.title.empty()) result.push_back(id);
    }
    return result;
  }

  WindowId findWindow(std::optional<std::string_view> className, std::optional<std::string_view> title) override {
    for (WindowId id : m_desktop->windowsFrontToBack()) {
      auto info = m_desktop->windowInfo(id);
      if ((!className || info->spec.className == *className) && (!title || info->spec.title == *title)) return id;
    }
    return kNoWindow;
  }

  bool exists(WindowId window) override { return m_desktop->windowExists(window); }
  bool isPresent(WindowId window) override { return m_desktop->windowExists(window); }
  std::string title(WindowId window) override { return spec(window).title; }
  std::string className(WindowId window) override { return spec(window).className; }
  std::string processFileName(WindowId window) override { return spec(window).process; }
  bool isOwnWindow(WindowId window) override { return spec(window).own; }
  std::optional<Rect> rect(WindowId window) override { return m_desktop->windowRect(window); }
  bool isMinimized(WindowId window) override { return m_desktop->isMinimized(window); }

  bool restore(WindowId window) override {
    if (!exists(window)) return false;
    m_desktop->setMinimized(window, false);
    return true;
  }
  bool minimize(WindowId window) override {
    if (!exists(window)) return false;
    m_desktop->setMinimized(window, true);
    return true;
  }
  bool maximize(WindowId window) override {
    if (!exists(window)) return false;
    m_desktop->setMinimized(window, false);
    m_desktop->moveWindow(window, Rect::fromSize(0, 0, m_desktop->width(), m_desktop->height()));
    return true;
  }
  bool moveResize(WindowId window, const Rect& outer) override {
    if (!exists(window) || outer.width() <= 0 || outer.height() <= 0) return false;
    m_desktop->moveWindow(window, outer);
    return true;
  }

  bool setForeground(WindowId window) override {
    if (!exists(window) || m_desktop->activationRefused(window)) return false;
    m_desktop->activate(window);
    return true;
  }
  WindowId foreground() override { return m_desktop->foregroundWindow(); }
  WindowId keyboardFocus() override { return m_desktop->foregroundWindow(); }

  WindowId lastActivePopup(WindowId window) override {
    for (WindowId id : m_desktop->windowsFrontToBack()) {
      auto info = m_desktop->windowInfo(id);
      if (info->spec.owner == window && !info->minimized) return id;
    }
    return window;
  }

  WindowId windowUnderPointer() override {
    Point pointer = m_desktop->pointer();
    for (WindowId id : m_desktop->windowsFrontToBack()) {
      auto info = m_desktop->windowInfo(id);
      if (!info->minimized && info->spec.rect.contains(pointer)) return id;
    }
    return kNoWindow;
  }

  bool isResponding(WindowId window, std::chrono::milliseconds timeout) override {
    auto info = m_desktop->windowInfo(window);
    if (!info) return false;
    if (info->hung) m_desktop->advance(timeout.count());
    return !info->hung;
  }

  DesktopInfo desktop() override { return {m_desktop->width(), m_desktop->height(), m_desktop->bitsPerPixel()}; }

private:
  SimWindowSpec spec(WindowId window) {
    auto info = m_desktop->windowInfo(window);
    return info ? info->spec : SimWindowSpec{"", "", "", {}, 0, kNoWindow, false, false};
  }
  DesktopPtr m_desktop;
};

class SimInput final : public Input {
public:
  explicit SimInput(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  Point pointerPosition() override { return m_desktop->pointer(); }
  bool setPointerPosition(Point position) override { return m_desktop->placePointer(position); }
  bool sendKey(int virtualKey, bool up) override { return m_desktop->injectKey(virtualKey, up); }
  bool sendMouse(std::uint32_t flags) override { return m_desktop->injectMouse(flags); }
  bool sendCharacter(unsigned char character, bool up) override { return m_desktop->injectCharacter(character, up); }
  Delivery sendKeyInto(WindowId target, int virtualKey, bool up) override {
    return m_desktop->injectKeyInto(target, virtualKey, up);
  }
  Delivery sendCharacterInto(WindowId target, unsigned char character, bool up) override {
    return m_desktop->injectCharacterInto(target, character, up);
  }
  Delivery sendMouseOnto(WindowId target, std::uint32_t flags) override {
    return m_desktop->injectMouseOnto(target, flags);
  }
  bool isKeyDown(int virtualKey) override { return m_desktop->isKeyDown(virtualKey); }
  bool isCapsLockOn() override { return m_desktop->isCapsLockOn(); }
  std::optional<KeyStroke> keyForCharacter(unsigned char character) override { return usKeyForCharacter(character); }

private:
  DesktopPtr m_desktop;
};

class SimInputWatch final : public InputWatch {
public:
  explicit SimInputWatch(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  WatchSubscription listen(WatchListener listener) override {
    return WatchSubscription(this, m_desktop->watchListeners().add(std::move(listener)));
  }

protected:
  void unlisten(int id) override { m_desktop->watchListeners().remove(id); }

private:
  DesktopPtr m_desktop;
};

// The US layout, with the modifiers each key changes.
class SimKeyboardLayout final : public KeyboardLayout {
public:
  KeyMeaning meaning(const WatchedEvent& event) override {
    KeyMeaning meaning;
    ModifierState& after = meaning.modifiersAfter;
    after = ModifierState::before(event);
    if (!event.isKey()) return meaning;
    bool down = event.message == watch::kKeyDown;
    switch (event.virtualKey) {
      case vk::kShift: case vk::kLShift: case vk::kRShift: after.shift = down; break;
      case vk::kControl: case vk::kLControl: case vk::kRControl: after.control = down; break;
      case vk::kMenu: case vk::kLMenu: case vk::kRMenu: after.alt = down; break;
      case vk::kCapital: after.capsLock = down ? !after.capsLock : after.capsLock; break;
      default: break;
    }
    bool shift = (event.keyboardState & watch::kStateShift) != 0;
    bool caps = (event.keyboardState & watch::kStateCapsLock) != 0;
    std::optional<unsigned char> character = event.virtualKey == kVkPacket
                                                 ? std::optional<unsigned char>(static_cast<unsigned char>(event.scanCode))
                                                 : usCharacterForKey(event.virtualKey, shift, caps);
    if (character && *character >= 32 && *character != 127) meaning.character = character;
    return meaning;
  }

private:
  static constexpr int kVkPacket = 231;
};

class SimCapture final : public Capture {
public:
  explicit SimCapture(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  std::optional<Picture> capture(const Rect& area) override { return m_desktop->capture(area); }

private:
  DesktopPtr m_desktop;
};

class SimClipboard final : public Clipboard {
public:
  explicit SimClipboard(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  bool hasText() override { return !m_desktop->clipboardBusy() && m_desktop->clipboardText().has_value(); }
  ClipboardText readText() override {
    if (m_desktop->clipboardBusy()) return {ClipboardState::Busy, {}};
    auto text = m_desktop->clipboardText();
    return text ? ClipboardText{ClipboardState::Text, *text} : ClipboardText{ClipboardState::NoText, {}};
  }
  Outcome setText(std::string_view text) override {
    if (m_desktop->clipboardBusy()) return Outcome::failure("The clipboard is in use.");
    m_desktop->setClipboardText(std::string(text));
    return Outcome::success();
  }

private:
  DesktopPtr m_desktop;
};

class SimProcesses final : public Processes {
public:
  explicit SimProcesses(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  std::vector<std::string> runningExecutables() override { return m_desktop->processes(); }
  CommandResult run(std::string_view commandLine, std::string_view folder, bool wait) override {
    return m_desktop->runCommand(commandLine, folder, wait);
  }

private:
  DesktopPtr m_desktop;
};

class SimShell final : public Shell {
public:
  explicit SimShell(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  Outcome open(std::string_view target) override { return m_desktop->openWithShell(target); }

private:
  DesktopPtr m_desktop;
};

class SimSound final : public Sound {
public:
  explicit SimSound(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  void beep(int frequency, int milliseconds) override { m_desktop->recordBeep(frequency, milliseconds); }
  void play(ProgramSound sound) override { m_desktop->recordSound(sound); }

private:
  DesktopPtr m_desktop;
};

class SimUser final : public User {
public:
  explicit SimUser(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  std::string userName() override { return m_desktop->userName(); }
  Outcome sendMessage(std::string_view from, std::string_view to, std::string_view message) override {
    return m_desktop->deliverMessage(from, to, message);
  }

private:
  DesktopPtr m_desktop;
};

class SimClock final : public Clock {
public:
  explicit SimClock(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  std::int64_t nowMs() override { return m_desktop->now(); }
  LocalTime localTime() override { return m_desktop->localTime(); }
  void sleep(std::int64_t ms, const std::function<void()>& pump) override {
    if (!pump) {
      m_desktop->advance(ms);
      return;
    }
    for (std::int64_t left = std::max<std::int64_t>(ms, 0); left > 0; left -= kSliceMs) {
      m_desktop->advance(std::min(left, kSliceMs));
      pump();
    }
  }

private:
  DesktopPtr m_desktop;
};

class SimSettings final : public Settings {
public:
  explicit SimSettings(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}
  std::optional<std::string> readString(std::string_view section, std::string_view entry) override {
    std::lock_guard lock(m_desktop->mutex());
    return m_desktop->settingsFile().get(section, entry);
  }
  bool writeString(std::string_view section, std::string_view entry, std::string_view value) override {
    std::lock_guard lock(m_desktop->mutex());
    m_desktop->settingsFile().set(section, entry, value);
    return true;
  }
  std::optional<std::string> machineValue(std::string_view name) override {
    std::lock_guard lock(m_desktop->mutex());
    auto& values = m_desktop->machineValues();
    auto it = values.find(name);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }

private:
  DesktopPtr m_desktop;
};

class SimOverlay final : public Overlay {
public:
  explicit SimOverlay(DesktopPtr desktop) : m_desktop(std::move(desktop)) {}

  void show(OverlaySlot slot, const OverlayNote& note) override {
    if (note.level < 1 || note.area.width() <= 0 || note.area.height() <= 0) {
      hide(slot);
      return;
    }
    m_shown[static_cast<std::size_t>(slot)] = true;
    m_desktop->recordOverlay(slot, note);
  }

  void hide(OverlaySlot slot) override {
    bool& shown = m_shown[static_cast<std::size_t>(slot)];
    if (!shown) return;
    shown = false;
    m_desktop->recordOverlay(slot, std::nullopt);
  }

private:
  DesktopPtr m_desktop;
  std::array<bool, 3> m_shown{};
};

}  // namespace

std::unique_ptr<Platform> makeSimPlatform(std::shared_ptr<SimDesktop> desktop) {
  auto platform = std::make_unique<Platform>();
  platform->name = "sim";
  platform->clock = std::make_unique<SimClock>(desktop);
  platform->windows = std::make_unique<SimWindows>(desktop);
  platform->input = std::make_unique<SimInput>(desktop);
  platform->inputWatch = std::make_unique<SimInputWatch>(desktop);
  platform->keyboardLayout = std::make_unique<SimKeyboardLayout>();
  platform->capture = std::make_unique<SimCapture>(desktop);
  platform->clipboard = std::make_unique<SimClipboard>(desktop);
  platform->processes = std::make_unique<SimProcesses>(desktop);
  platform->shell = std::make_unique<SimShell>(desktop);
  platform->sound = std::make_unique<SimSound>(desktop);
  platform->user = std::make_unique<SimUser>(desktop);
  platform->settings = std::make_unique<SimSettings>(desktop);
  platform->overlay = std::make_unique<SimOverlay>(desktop);
  return platform;
}

PlatformResult createSimPlatform() { return {makeSimPlatform(std::make_shared<SimDesktop>()), {}}; }

}  // namespace qlm
