// The desktop's input as the low-level hooks saw it: RECORD reports every
// core key, button and motion event, real or injected; XInput2 raw events
// name the device, and the "XTEST" devices are those of injected input. Both
// run on connections and a thread of their own. RECORD only observes: an
// event cannot be swallowed or changed, so the end key reaches the target.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/record.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <set>
#include <thread>

#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

using Clock = std::chrono::steady_clock;
// How long a recorded event waits for its raw twin before it counts as real.
constexpr auto kPairingWait = std::chrono::milliseconds(20);
constexpr auto kStartWait = std::chrono::seconds(1);

struct CoreEvent {
  int type = 0;
  unsigned detail = 0;
  Time time = 0;
  int x = 0, y = 0;
  unsigned state = 0;
  Clock::time_point seen;
};

struct RawEvent {
  int type = 0;  // the core type it stands for
  unsigned detail = 0;
  Time time = 0;
  bool injected = false;
};

int coreTypeOfRaw(int evtype) {
  switch (evtype) {
    case XI_RawKeyPress: return KeyPress;
    case XI_RawKeyRelease: return KeyRelease;
    case XI_RawButtonPress: return ButtonPress;
    case XI_RawButtonRelease: return ButtonRelease;
    case XI_RawMotion: return MotionNotify;
    default: return 0;
  }
}

class X11InputWatch final : public InputWatch {
public:
  explicit X11InputWatch(std::shared_ptr<Connection> connection)
      : m_connection(connection), m_displayName(connection->displayName()) {}
  ~X11InputWatch() override { stopThread(); }

  WatchSubscription listen(WatchListener listener) override {
    std::lock_guard lock(m_startMutex);
    if (!m_running && !startThread()) return {};
    return WatchSubscription(this, m_listeners.add(std::move(listener)));
  }

protected:
  void unlisten(int id) override {
    bool left = m_listeners.remove(id);
    std::lock_guard lock(m_startMutex);
    // A listener that ends its own subscription cannot wait for its own thread.
    if (!left && m_running && std::this_thread::get_id() != m_thread.get_id()) stopThread();
  }

private:
  bool startThread() {
    m_control = openDisplay(m_displayName);
    m_data = openDisplay(m_displayName);
    m_raw = openDisplay(m_displayName);
    int major = 0, minor = 0;
    int opcode = 0, event = 0, error = 0;
    if (m_control == nullptr || m_data == nullptr || m_raw == nullptr ||
        XRecordQueryVersion(m_control, &major, &minor) == 0) {
      closeAll();
      return false;
    }
    m_keymap.load(m_control);
    m_hasRaw = XQueryExtension(m_raw, "XInputExtension", &opcode, &event, &error) != 0 && selectRawEvents();
    m_xiOpcode = opcode;
    XRecordClientSpec clients = XRecordAllClients;
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = MotionNotify;
    m_context = XRecordCreateContext(m_control, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(m_control, False);
    if (m_context == 0 || XRecordEnableContextAsync(m_data, m_context, &X11InputWatch::onRecorded,
                                                     reinterpret_cast<XPointer>(this)) == 0) {
      closeAll();
      return false;
    }
    // Events are recorded only once the server has started the context: a
    // listener that is told it listens must not miss the keys typed next.
    XFlush(m_data);
    auto deadline = Clock::now() + kStartWait;
    while (!m_recordStarted && Clock::now() < deadline) {
      pollfd fd{ConnectionNumber(m_data), POLLIN, 0};
      poll(&fd, 1, 10);
      XRecordProcessReplies(m_data);
    }
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
  }

  void stopThread() {
    if (!m_running) return;
    m_stop = true;
    m_thread.join();
    m_running = false;
  }

  void closeAll() {
    closeDisplay(m_data);
    closeDisplay(m_raw);
    closeDisplay(m_control);
    m_data = m_raw = m_control = nullptr;
  }

  bool selectRawEvents() {
    int major = 2, minor = 0;
    if (XIQueryVersion(m_raw, &major, &minor) != Success) return false;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease, XI_RawMotion}) {
      XISetMask(bits, type);
    }
    XIEventMask mask{XIAllDevices, sizeof(bits), bits};
    XISelectEvents(m_raw, DefaultRootWindow(m_raw), &mask, 1);
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(m_raw, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
      if (std::strstr(devices[i].name, "XTEST") != nullptr) m_xtestDevices.insert(devices[i].deviceid);
    }
    XIFreeDeviceInfo(devices);
    XSync(m_raw, False);
    return true;
  }

  void run() {
    while (!m_stop) {
      pollfd fds[2] = {{ConnectionNumber(m_data), POLLIN, 0}, {ConnectionNumber(m_raw), POLLIN, 0}};
      poll(fds, m_hasRaw ? 2 : 1, m_pending.empty() ? 50 : 2);
      // A server that went away only shows as a hang-up here: a request
      // with a reply makes Xlib see it and call the lost-desktop handler.
      if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) XSync(m_control, False);
      if (m_hasRaw && (fds[1].revents & (POLLHUP | POLLERR)) != 0) XSync(m_raw, False);
      XRecordProcessReplies(m_data);
      drainRaw();
      deliverPaired(false);
    }
    XRecordDisableContext(m_control, m_context);
    XSync(m_control, False);
    XRecordProcessReplies(m_data);
    drainRaw();
    deliverPaired(true);
    XRecordFreeContext(m_control, m_context);
    closeAll();
  }

  static void onRecorded(XPointer closure, XRecordInterceptData* data) {
    auto* self = reinterpret_cast<X11InputWatch*>(closure);
    if (data->category == XRecordStartOfData) self->m_recordStarted = true;
    if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
      const auto* event = reinterpret_cast<const xEvent*>(data->data);
      CoreEvent core;
      core.type = event->u.u.type & 0x7F;
      core.detail = event->u.u.detail;
      core.time = event->u.keyButtonPointer.time;
      core.x = event->u.keyButtonPointer.rootX;
      core.y = event->u.keyButtonPointer.rootY;
      core.state = event->u.keyButtonPointer.state;
      core.seen = Clock::now();
      if (core.type >= KeyPress && core.type <= MotionNotify) self->m_pending.push_back(core);
    }
    XRecordFreeData(data);
  }

  void drainRaw() {
    if (!m_hasRaw) return;
    while (XPending(m_raw) > 0) {
      XEvent event;
      XNextEvent(m_raw, &event);
      if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        m_keymap.load(m_raw);
        continue;
      }
      XGenericEventCookie* cookie = &event.xcookie;
      if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode || !XGetEventData(m_raw, cookie)) continue;
      const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
      int type = coreTypeOfRaw(cookie->evtype);
      if (type != 0) {
        bool injected = m_xtestDevices.count(raw->sourceid) != 0 || m_xtestDevices.count(raw->deviceid) != 0;
        m_raws.push_back({type, type == MotionNotify ? 0u : static_cast<unsigned>(raw->detail), raw->time, injected});
      }
      XFreeEventData(m_raw, cookie);
    }
    while (m_raws.size() > 256) m_raws.pop_front();
  }

  // Delivers recorded events in order, each with what its raw twin says about
  // its device; one whose twin does not come counts as the user's.
  void deliverPaired(bool flush) {
    while (!m_pending.empty()) {
      const CoreEvent& core = m_pending.front();
      auto twin = std::find_if(m_raws.begin(), m_raws.end(), [&](const RawEvent& raw) {
        return raw.type == core.type && raw.time == core.time && (core.type == MotionNotify || raw.detail == core.detail);
      });
      bool injected = false;
      if (twin != m_raws.end()) {
        injected = twin->injected;
        m_raws.erase(twin);
      } else if (m_hasRaw && !flush && Clock::now() - core.seen < kPairingWait) {
        return;
      }
      deliver(core, injected);
      m_pending.pop_front();
    }
  }

  void deliver(const CoreEvent& core, bool injected) {
    WatchedEvent event;
    event.time = static_cast<std::uint32_t>(core.time);
    event.position = {core.x, core.y};
    event.keyboardState = core.state;
    event.injected = injected;
    event.ours = injected && m_connection->ledger().take(core.type, core.type == MotionNotify ? 0u : core.detail);
    if (core.type == KeyPress || core.type == KeyRelease) {
      bool up = core.type == KeyRelease;
      event.message = up ? watch::kKeyUp : watch::kKeyDown;
      event.virtualKey = m_keymap.virtualKeyForKeycode(core.detail);
      if (event.virtualKey == 0) event.virtualKey = 231;  // a lent key types a character, as VK_PACKET did
      event.scanCode = static_cast<int>(core.detail) - 8;
      event.flags = (up ? watch::kKeyReleased : 0u) | (injected ? watch::kKeyInjected : 0u) |
                    (isExtendedVirtualKey(event.virtualKey) ? watch::kKeyExtended : 0u);
    } else {
      event.flags = injected ? watch::kMouseInjected : 0u;
      bool down = core.type == ButtonPress;
      switch (core.type == MotionNotify ? 0u : core.detail) {
        case 0: event.message = watch::kMouseMove; break;
        case 1: event.message = down ? watch::kLeftDown : watch::kLeftUp; break;
        case 2: event.message = down ? watch::kMiddleDown : watch::kMiddleUp; break;
        case 3: event.message = down ? watch::kRightDown : watch::kRightUp; break;
        default: return;  // wheel and extra buttons
      }
    }
    m_listeners.deliver(event);
  }

  std::shared_ptr<Connection> m_connection;
  std::string m_displayName;
  WatchListeners m_listeners;
  std::mutex m_startMutex;
  bool m_running = false;          // guarded by m_startMutex
  std::atomic<bool> m_stop{false};  // written by the thread that stops the watch
  std::thread m_thread;
  // Used only by the watch thread once it runs.
  Display* m_control = nullptr;
  Display* m_data = nullptr;
  Display* m_raw = nullptr;
  XRecordContext m_context = 0;
  bool m_recordStarted = false;
  bool m_hasRaw = false;
  int m_xiOpcode = 0;
  std::set<int> m_xtestDevices;
  Keymap m_keymap;
  std::deque<CoreEvent> m_pending;
  std::deque<RawEvent> m_raws;
};

}  // namespace

std::unique_ptr<InputWatch> makeInputWatch(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11InputWatch>(std::move(connection));
}

}  // namespace qlm::x11
