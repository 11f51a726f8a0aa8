#pragma once
// A desktop in memory for tests and dry runs. Everything runs on virtual
// time: sleeping advances the clock at once and runs what was scheduled
// meanwhile. Scripting calls (create a window, type as the user, paint...)
// and the platform parts made by `makeSimPlatform` share one desktop.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Picture.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"
#include "platform/IniFile.h"
#include "platform/InputWatch.h"
#include "platform/Overlay.h"
#include "platform/Platform.h"
#include "platform/Processes.h"

namespace qlm {

struct SimWindowSpec {
  std::string className = "SimWindow";
  std::string title = "Untitled";
  std::string process = "simapp";
  Rect rect = Rect::fromSize(100, 100, 400, 300);
  std::uint32_t color = 0xFFFFFF;  // 0xRRGGBB
  WindowId owner = kNoWindow;      // a pop-up (dialog) of this window
  bool textField = false;          // collects the characters typed into it
  bool recordsClicks = false;      // keeps the button presses it receives
  bool own = false;                // shown by Quillmote itself
};

enum class SimEventKind { Key, Character, Mouse, PointerPlaced };

// One input event that reached the desktop, injected or the user's.
struct SimEvent {
  std::int64_t time = 0;
  SimEventKind kind = SimEventKind::Key;
  int virtualKey = 0;
  unsigned char character = 0;
  bool up = false;
  std::uint32_t mouseFlags = 0;
  Point position;
  WindowId target = kNoWindow;  // foreground window (keys) or window under the pointer (mouse)
  bool injected = true;
  std::uint32_t keyboardState = 0;  // watch::kState... bits before the event
};

struct SimWindowInfo {
  SimWindowSpec spec;  // rect, title and class as they are now
  bool minimized = false;
  bool hung = false;
};

struct SimClick {
  Point position;  // relative to the window's top-left corner
  std::uint32_t button = 0;  // mouse::kLeftDown, kRightDown or kMiddleDown
};

class SimDesktop {
public:
  // A dry run may loop for ever: what the desktop keeps of its input is
  // bounded, the most recent kept. Events, each window's clicks and the other
  // lists hold at most kHistoryLimit entries, typed text kTypedLimit characters.
  static constexpr std::size_t kHistoryLimit = 20000;
  static constexpr std::size_t kTypedLimit = 1 << 16;

  explicit SimDesktop(int width = 1024, int height = 768);
  ~SimDesktop();
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  // Windows. A new window comes to the front and takes the focus.
  WindowId createWindow(const SimWindowSpec& spec);
  void closeWindow(WindowId window);
  void setTitle(WindowId window, std::string title);
  void moveWindow(WindowId window, const Rect& rect);
  void setMinimized(WindowId window, bool minimized);
  // A hung window answers no ping; its input waits until it answers again.
  void setHung(WindowId window, bool hung);
  void activate(WindowId window);
  // A window that the desktop refuses to bring forward (as one on another
  // workspace that the window manager cannot switch to).
  void refuseActivation(WindowId window, bool refuse);
  bool activationRefused(WindowId window) const;
  bool windowExists(WindowId window) const;
  std::optional<Rect> windowRect(WindowId window) const;
  bool isMinimized(WindowId window) const;
  std::optional<SimWindowInfo> windowInfo(WindowId window) const;
  std::vector<WindowId> windowsFrontToBack() const;
  WindowId foregroundWindow() const;

  // What the scripted applications received.
  std::string typedText(WindowId window) const;
  std::vector<SimClick> clicks(WindowId window) const;

  // Pixels: the bare desktop and each window's client area (window coordinates).
  void paintWindow(WindowId window, const Rect& area, std::uint32_t rgb);
  std::uint32_t pixelAt(Point screen) const;
  int width() const { return m_width; }
  int height() const { return m_height; }
  int bitsPerPixel() const;
  // The screen as the platform's capture part shows it.
  std::optional<Picture> capture(const Rect& area) const;

  // Virtual time.
  std::int64_t now() const;
  void advance(std::int64_t ms);
  void at(std::int64_t time, std::function<void()> action);
  void after(std::int64_t ms, std::function<void()> action);
  void setLocalTime(const LocalTime& start);
  LocalTime localTime() const;

  // The user's own input: reaches the windows and the input watch as not injected.
  void userKey(int virtualKey, bool up);
  void userTap(int virtualKey);
  void userMove(Point position);
  // Buttons with the flags of `mouse::`, at the pointer.
  void userMouse(std::uint32_t flags);

  // Injection, as the platform's input part does it.
  bool injectKey(int virtualKey, bool up);
  bool injectCharacter(unsigned char character, bool up);
  bool injectMouse(std::uint32_t flags);
  bool placePointer(Point position);
  // The same, only while the focus (keys) or the window under the pointer
  // (buttons) is `target` or one of its pop-ups; kNoWindow: anywhere.
  Delivery injectKeyInto(WindowId target, int virtualKey, bool up);
  Delivery injectCharacterInto(WindowId target, unsigned char character, bool up);
  Delivery injectMouseOnto(WindowId target, std::uint32_t flags);
  // The next `count` injections report that nothing was inserted.
  void refuseInjections(int count);
  Point pointer() const;
  bool isKeyDown(int virtualKey) const;
  bool isCapsLockOn() const;
  std::vector<SimEvent> events() const;
  void clearEvents();

  WatchListeners& watchListeners() { return m_watchListeners; }

  // Clipboard: text, something else (no text), or nothing at all.
  void setClipboardText(std::string text);
  void setClipboardOther();
  void setClipboardBusy(bool busy);
  std::optional<std::string> clipboardText() const;
  bool clipboardBusy() const;

  // Processes and commands.
  void addProcess(std::string name);
  void removeProcess(std::string_view name);
  std::vector<std::string> processes() const;
  using CommandHandler = std::function<CommandResult(std::string_view commandLine, std::string_view folder)>;
  void onCommand(CommandHandler handler);
  CommandResult runCommand(std::string_view commandLine, std::string_view folder, bool wait);
  std::vector<std::string> commands() const;
  Outcome openWithShell(std::string_view target);
  std::vector<std::string> openedTargets() const;

  // Sounds: (frequency, duration) of beeps and the program sounds played.
  void recordBeep(int frequency, int ms);
  void recordSound(ProgramSound sound);
  std::vector<std::pair<int, int>> beeps() const;
  std::vector<ProgramSound> sounds() const;

  // The verbose notes drawn over the desktop, each show and each hide of a shown slot.
  struct OverlayCall {
    std::int64_t time = 0;
    OverlaySlot slot = OverlaySlot::Target;
    std::optional<OverlayNote> note;  // none: hidden
  };
  void recordOverlay(OverlaySlot slot, std::optional<OverlayNote> note);
  std::vector<OverlayCall> overlayCalls() const;

  std::string userName() const;

  // Messages to logged-in users (NetSend); only the listed users are logged in.
  struct Message {
    std::string from;
    std::string to;
    std::string text;
  };
  Outcome deliverMessage(std::string_view from, std::string_view to, std::string_view text);
  std::vector<Message> messages() const;

  // Settings: the user's file and the machine-wide values, in memory.
  IniFile& settingsFile() { return m_settings; }
  std::map<std::string, std::string, std::less<>>& machineValues() { return m_machineValues; }

  std::recursive_mutex& mutex() const { return m_mutex; }

private:
  struct Window;
  Window* find(WindowId window);
  const Window* find(WindowId window) const;
  WindowId topAt(Point position) const;
  bool belongsTo(WindowId window, WindowId target) const;
  void raise(WindowId window);
  void runDueTimers(std::int64_t until);
  bool refuse();
  void record(SimEvent event);
  void deliver(const SimEvent& event);
  void deliverToWindow(Window& window, const SimEvent& event);
  void notifyWatch(const SimEvent& event);
  std::uint32_t keyboardState() const;

  mutable std::recursive_mutex m_mutex;
  int m_width;
  int m_height;
  int m_bitsPerPixel = 32;
  std::vector<std::uint32_t> m_desktopPixels;
  std::vector<std::unique_ptr<Window>> m_windows;  // back to front
  WindowId m_nextWindow = 0x100;
  WindowId m_foreground = kNoWindow;

  std::int64_t m_now = 0;
  LocalTime m_start{2024, 1, 15, 10, 20, 30, 0};
  struct Timer {
    std::int64_t time;
    std::uint64_t order;
    std::function<void()> action;
  };
  std::vector<Timer> m_timers;
  std::uint64_t m_timerOrder = 0;

  Point m_pointer;
  std::vector<bool> m_keysDown = std::vector<bool>(256, false);
  bool m_capsLock = false;
  int m_refusals = 0;
  std::vector<SimEvent> m_events;
  WatchListeners m_watchListeners;

  enum class ClipboardContent { Nothing, Text, Other };
  ClipboardContent m_clipboardContent = ClipboardContent::Nothing;
  std::string m_clipboard;
  bool m_clipboardBusy = false;

  std::vector<std::string> m_processes{"systemd", "Xsim", "quillmote"};
  CommandHandler m_commandHandler;
  std::vector<std::string> m_commands;
  std::vector<std::string> m_opened;
  std::vector<std::pair<int, int>> m_beeps;
  std::vector<ProgramSound> m_sounds;
  std::vector<OverlayCall> m_overlayCalls;
  std::string m_userName = "simuser";
  std::vector<std::string> m_loggedIn{"simuser"};
  std::vector<Message> m_messages;

  IniFile m_settings;
  std::map<std::string, std::string, std::less<>> m_machineValues;
};

// The platform parts over one simulated desktop.
std::unique_ptr<Platform> makeSimPlatform(std::shared_ptr<SimDesktop> desktop);
PlatformResult createSimPlatform();

}  // namespace qlm
