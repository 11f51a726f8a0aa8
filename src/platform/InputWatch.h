#pragma once
// Global keyboard and pointer events of the whole desktop, as the low-level
// hooks deliver them. The X server only lets us observe: an event cannot be
// swallowed or changed, so listeners react after the target has it.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Geometry.h"

namespace qlm {

namespace watch {
inline constexpr int kKeyDown = 256;
inline constexpr int kKeyUp = 257;
inline constexpr int kMouseMove = 512;
inline constexpr int kLeftDown = 513;
inline constexpr int kLeftUp = 514;
inline constexpr int kRightDown = 516;
inline constexpr int kRightUp = 517;
inline constexpr int kMiddleDown = 519;
inline constexpr int kMiddleUp = 520;
// Event flags as the hooks report them.
inline constexpr std::uint32_t kKeyExtended = 0x01;
inline constexpr std::uint32_t kKeyInjected = 0x10;
inline constexpr std::uint32_t kKeyReleased = 0x80;
inline constexpr std::uint32_t kMouseInjected = 0x01;
// Bits of `WatchedEvent::keyboardState`; the layout group sits in kGroupShift.
inline constexpr std::uint32_t kStateShift = 0x1;
inline constexpr std::uint32_t kStateCapsLock = 0x2;
inline constexpr std::uint32_t kStateControl = 0x4;
inline constexpr std::uint32_t kStateAlt = 0x8;
inline constexpr int kGroupShift = 13;
}  // namespace watch

struct WatchedEvent {
  int message = 0;
  int virtualKey = 0;  // key events
  int scanCode = 0;    // key events: the desktop's own key number
  // Modifiers and layout group held just before the event (watch::kState...);
  // KeyboardLayout reads it.
  std::uint32_t keyboardState = 0;
  std::uint32_t flags = 0;
  std::uint32_t time = 0;  // milliseconds, the desktop's clock
  Point position;          // pointer events
  bool injected = false;   // synthetic input (ours or another injecting program's)
  // Injected by Quillmote itself. Input that other programs inject (a remote
  // desktop, a test driver) is the user's as much as the keyboard's is.
  bool ours = false;

  bool isKey() const { return message == watch::kKeyDown || message == watch::kKeyUp; }
};

using WatchListener = std::function<void(const WatchedEvent&)>;

class InputWatch;

// Keeps a listener registered for as long as it lives.
class WatchSubscription {
public:
  WatchSubscription() = default;
  WatchSubscription(InputWatch* watch, int id) : m_watch(watch), m_id(id) {}
  WatchSubscription(WatchSubscription&& other) noexcept { swap(other); }
  WatchSubscription& operator=(WatchSubscription&& other) noexcept {
    WatchSubscription moved(std::move(other));
    swap(moved);
    return *this;
  }
  WatchSubscription(const WatchSubscription&) = delete;
  WatchSubscription& operator=(const WatchSubscription&) = delete;
  ~WatchSubscription();
  bool active() const { return m_watch != nullptr; }

private:
  void swap(WatchSubscription& other) noexcept {
    std::swap(m_watch, other.m_watch);
    std::swap(m_id, other.m_id);
  }
  InputWatch* m_watch = nullptr;
  int m_id = 0;
};

class InputWatch {
public:
  virtual ~InputWatch() = default;
  // Listeners are called one at a time, on the watch's own thread (x11) or
  // inside the call that made the event (sim). An empty subscription means
  // the desktop cannot be watched.
  virtual WatchSubscription listen(WatchListener listener) = 0;

protected:
  friend class WatchSubscription;
  virtual void unlisten(int id) = 0;
};

// The listener list both backends share.
class WatchListeners {
public:
  int add(WatchListener listener);
  // Returns whether listeners are left.
  bool remove(int id);
  void deliver(const WatchedEvent& event);
  bool empty() const;

private:
  mutable std::recursive_mutex m_mutex;
  std::vector<std::pair<int, std::shared_ptr<WatchListener>>> m_listeners;
  int m_nextId = 1;
};

}  // namespace qlm
