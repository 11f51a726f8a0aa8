#pragma once
// Turns an evaluated instruction text into keystrokes and clicks: plain
// characters are typed (or pasted in key mode 1), key notations press,
// release or click. Every delay follows from the key and mouse delays.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Geometry.h"
#include "platform/Input.h"
#include "language/KeyNotation.h"
#include "playback/TargetSelection.h"

namespace qlm {

class Document;
struct Platform;

struct InjectionHooks {
  // One synthetic pointer event is on its way; the engine's pointer watch spends it.
  std::function<void()> syntheticPointer;
  // A verbose note with its rectangle, and the closing of every open note
  // (the verbose note and the target frame note).
  std::function<void(const std::string& text, const Rect& area)> openNote;
  std::function<void()> closeNotes;
  std::function<void()> pump;
  // A cross on a point of the screen for one second.
  std::function<void(Point at)> showPointNotice;
};

struct InputSettings {
  int keyDelay = 40;    // $QLM_KEY_SPEED, ms
  int mouseDelay = 40;  // $QLM_MOUSE_SPEED, ms per pointer step
  int keyMode = 0;      // $QLM_KEY_MODE: 1 pastes plain text through the clipboard
};

class Injection {
 public:
  // A refused event is sent again every 30 ms (key delay + 30 ms for the
  // Ctrl of a paste), at most this many times; then playback stops.
  static constexpr int kMaxAttempts = 100;
  // Key mode 1 pastes what is pending before it grows beyond this.
  static constexpr std::size_t kPendingLimit = 1000;
  static constexpr int kMoveSteps = 20;

  Injection(Document& doc, Platform& platform, TargetSelector& selector, InjectionHooks hooks = {});

  // Injects `text` for `record`; false when it was cut short (the end key,
  // a stop request, input the desktop kept refusing, or a target that lost
  // the focus for good or disappeared). Every key press and click goes only
  // into the window of the last lookup (none for whole-screen records and
  // foreground mode 0): when the focus has moved, the target is brought
  // forward again within the window wait, else playback stops.
  bool sendText(std::string_view text, const RecordTarget& record);
  void typeCharacter(unsigned char character);
  void sendKey(const KeyEntry& entry, char prefix);
  void pasteText(std::string_view text);
  void mouseAction(const MouseEntry& entry, char prefix, const RecordTarget& record);
  void releaseModifiers();

  // Read from the variables at every SendText; tests and callers outside
  // SendText may set them directly.
  void readSettings();
  const InputSettings& settings() const { return m_settings; }

 private:
  bool deliver(const std::function<bool()>& send, long long retryMs, std::string_view what);
  // Shows why input stopped, sets the stop request, and refuses all further input.
  bool refuse(std::string_view what);
  bool deliverInto(const std::function<Delivery()>& send, long long retryMs, std::string_view what, bool click);
  bool bringTargetBack();
  void loseTarget(const std::string& message);
  std::string focusDescription(WindowId window);
  bool key(int virtualKey, bool up, long long retryMs = kRetryMs);
  bool character(unsigned char c, bool up);
  bool pointerEvent(std::uint32_t flags);
  bool button(std::uint32_t flags);
  bool placePointer(Point position);
  bool interrupted() const;
  void wait(long long ms);
  long long halfDelay() const { return m_settings.keyDelay / 2; }
  long long edgeDelay() const;
  Point clickTarget(const RecordTarget& record, bool& imageFound);

  static constexpr long long kRetryMs = 30;
  static constexpr long long kRefocusCycleMs = 100;

  Document& m_doc;
  Platform& m_platform;
  TargetSelector& m_selector;
  InjectionHooks m_hooks;
  InputSettings m_settings;
  bool m_refused = false;
  bool m_lost = false;  // the target lost the focus for good or disappeared
  WindowId m_target = kNoWindow;
  RecordTarget m_record;
};

}  // namespace qlm
