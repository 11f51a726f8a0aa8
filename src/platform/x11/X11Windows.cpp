// Top-level windows through EWMH and ICCCM properties.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/TextEncoding.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kWithdrawnState = 0;
constexpr long kIconicState = 3;

struct XFreeDeleter {
  void operator()(void* p) const {
    if (p != nullptr) XFree(p);
  }
};
template <class T>
using XPtr = std::unique_ptr<T, XFreeDeleter>;

std::string fileNameOfProcess(int pid) {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
  if (!error) {
    std::string name = exe.filename().string();
    if (auto mark = name.find(" (deleted)"); mark != std::string::npos) name.erase(mark);
    return name;
  }
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

class X11Windows final : public Windows {
public:
  explicit X11Windows(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}
  ~X11Windows() override { closeDisplay(m_pingDisplay); }

  std::vector<WindowId> topLevelWindows() override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    std::vector<WindowId> result;
    for (XId window : clientsFrontToBack()) {
      if (isListed(window) && !titleOf(window).empty()) result.push_back(window);
    }
    return result;
  }

  WindowId findWindow(std::optional<std::string_view> className, std::optional<std::string_view> title) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    for (XId window : clientsFrontToBack()) {
      if (!isListed(window)) continue;
      if (title && titleOf(window) != *title) continue;
      if (className && !classMatches(window, *className)) continue;
      return window;
    }
    return kNoWindow;
  }

  bool exists(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    XWindowAttributes attributes;
    return window != kNoWindow && XGetWindowAttributes(dpy(), window, &attributes) != 0 && !trap.failed();
  }

  bool isPresent(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return window != kNoWindow && isListed(window) && !trap.failed();
  }

  std::string title(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return titleOf(window);
  }

  std::string className(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    XClassHint hint{};
    if (XGetClassHint(dpy(), window, &hint) == 0) return {};
    std::string result = hint.res_class != nullptr ? cp1252FromUtf8(hint.res_class) : std::string();
    XFree(hint.res_name);
    XFree(hint.res_class);
    return result;
  }

  std::string processFileName(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    int pid = pidOf(window);
    return pid > 0 ? cp1252FromUtf8(fileNameOfProcess(pid)) : std::string();
  }

  bool isOwnWindow(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return pidOf(window) == static_cast<int>(getpid());
  }

  std::optional<Rect> rect(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return outerRect(window);
  }

  bool isMinimized(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return wmState(window) == kIconicState || hasNetState(window, "_NET_WM_STATE_HIDDEN");
  }

  bool restore(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    XMapWindow(dpy(), window);
    bool mapped = !trap.failed();
    waitUntil([&] { return wmState(window) != kIconicState; });
    return mapped;
  }

  bool minimize(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    bool sent = XIconifyWindow(dpy(), window, DefaultScreen(dpy())) != 0 && !trap.failed();
    return sent && waitUntil([&] { return wmState(window) == kIconicState; });
  }

  bool maximize(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    sendToRoot(window, "_NET_WM_STATE", {1, static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_VERT")),
                                         static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_HORZ")), 2, 0});
    return !trap.failed() && waitUntil([&] { return hasNetState(window, "_NET_WM_STATE_MAXIMIZED_HORZ"); });
  }

  bool moveResize(WindowId window, const Rect& outer) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    Extents frame = frameExtents(window);
    int width = outer.width() - frame.left - frame.right;
    int height = outer.height() - frame.top - frame.bottom;
    if (width <= 0 || height <= 0) return false;
    sendToRoot(window, "_NET_WM_STATE", {0, static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_VERT")),
                                         static_cast<long>(atom("_NET_WM_STATE_MAXIMIZED_HORZ")), 2, 0});
    // With the default north-west gravity the window manager places the
    // frame's corner where the client asks to be.
    XMoveResizeWindow(dpy(), window, outer.left, outer.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (trap.failed()) return false;
    waitUntil([&] { return outerRect(window) == std::optional<Rect>(outer); });
    return true;
  }

  bool setForeground(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    if (!isListed(window)) return false;
    if (hasWindowManager()) {
      switchToDesktopOf(window);
      sendToRoot(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, static_cast<long>(activeWindow()), 0, 0});
    } else {
      XRaiseWindow(dpy(), window);
      XSetInputFocus(dpy(), window, RevertToParent, CurrentTime);
    }
    if (trap.failed()) return false;
    // Windows that take no input are only raised by the window manager; the
    // stacking list follows the activation a moment later.
    bool active = waitUntil([&] { return activeWindow() == window; });
    waitUntil([&] {
      auto front = clientsFrontToBack();
      return !front.empty() && front.front() == window;
    });
    return active || !acceptsInput(window);
  }

  WindowId foreground() override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    return activeWindow();
  }

  WindowId keyboardFocus() override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy(), &focus, &revert);
    XId top = focus <= PointerRoot || focus == m_connection->root() ? 0 : topLevelOf(focus);
    return top != 0 ? top : activeWindow();
  }

  WindowId lastActivePopup(WindowId window) override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    for (XId candidate : clientsFrontToBack()) {
      Window owner = 0;
      if (candidate != window && XGetTransientForHint(dpy(), candidate, &owner) != 0 && owner == window &&
          wmState(candidate) != kIconicState && isListed(candidate)) {
        return candidate;
      }
    }
    return window;
  }

  WindowId windowUnderPointer() override {
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(dpy(), m_connection->root(), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return child == 0 ? kNoWindow : topLevelOf(child);
  }

  bool isResponding(WindowId window, std::chrono::milliseconds timeout) override {
    std::unique_lock lock = m_connection->lock();
    int pid = 0;
    {
      // The trap ends while the lock is held: its last sync must not run
      // beside another thread's requests.
      ErrorTrap trap(dpy());
      if (!exists(window)) return false;
      if (supportsProtocol(window, "_NET_WM_PING")) return answersPing(window, timeout);
      pid = pidOf(window);
      if (pid <= 0 || !unreadSocketBytes(pid)) return true;
      // Clients without ping: send an event that only its creator receives and
      // see whether it drains its connection. A WM_PROTOCOLS message it did not
      // ask for would close some clients, so it is a message of our own.
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = window;
      event.xclient.message_type = atom("_QUILLMOTE_NULL");
      event.xclient.format = 32;
      XSendEvent(dpy(), window, False, NoEventMask, &event);
      XSync(dpy(), False);
    }
    lock.unlock();
    auto deadline = Clock::now() + timeout;
    do {
      auto unread = unreadSocketBytes(pid);
      if (!unread || *unread == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (Clock::now() < deadline);
    return false;
  }

  DesktopInfo desktop() override {
    auto lock = m_connection->lock();
    int screen = DefaultScreen(dpy());
    int depth = DefaultDepth(dpy(), screen);
    int bits = depth;
    int count = 0;
    if (XPtr<XPixmapFormatValues> formats{XListPixmapFormats(dpy(), &count)}) {
      for (int i = 0; i < count; ++i) {
        if (formats.get()[i].depth == depth) bits = formats.get()[i].bits_per_pixel;
      }
    }
    const std::string manager = "_NET_WM_CM_S" + std::to_string(screen);
    const bool compositing = XGetSelectionOwner(dpy(), atom(manager.c_str())) != None;
    return {DisplayWidth(dpy(), screen), DisplayHeight(dpy(), screen), bits, compositing};
  }

private:
  struct Extents {
    int left = 0, right = 0, top = 0, bottom = 0;
  };

  Display* dpy() const { return m_connection->display(); }
  Atom atom(const char* name) { return m_connection->atom(name); }

  struct PropertyData {
    XPtr<unsigned char> data;
    unsigned long count = 0;
  };

  // The property's items when it exists with the expected item size.
  PropertyData property(XId window, const char* name, Atom type, int expectedFormat) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy(), window, atom(name), 0, 1 << 16, False, type, &actualType, &format, &count, &after,
                           &data) != Success) {
      return {};
    }
    XPtr<unsigned char> owned(data);
    if (data == nullptr || format != expectedFormat) return {};
    return {std::move(owned), count};
  }

  std::vector<unsigned long> longProperty(XId window, const char* name, Atom type) {
    PropertyData found = property(window, name, type, 32);
    if (!found.data) return {};
    auto* values = reinterpret_cast<unsigned long*>(found.data.get());
    return std::vector<unsigned long>(values, values + found.count);
  }

  std::string textProperty(XId window, const char* name, Atom type) {
    PropertyData found = property(window, name, type, 8);
    if (!found.data) return {};
    return std::string(reinterpret_cast<const char*>(found.data.get()), found.count);
  }

  // Clients set _NET_WM_NAME (UTF-8), WM_NAME (any encoding), or both.
  std::string titleOf(XId window) {
    std::string utf8 = textProperty(window, "_NET_WM_NAME", atom("UTF8_STRING"));
    if (utf8.empty()) {
      XTextProperty property{};
      if (XGetWMName(dpy(), window, &property) != 0 && property.value != nullptr) {
        XPtr<unsigned char> owned(property.value);
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(dpy(), &property, &list, &count) >= Success && list != nullptr) {
          if (count > 0) utf8 = list[0];
          XFreeStringList(list);
        } else {
          utf8.assign(reinterpret_cast<const char*>(property.value), property.nitems);
        }
      }
    }
    return cp1252FromUtf8(utf8);
  }

  bool classMatches(XId window, std::string_view wanted) {
    XClassHint hint{};
    if (XGetClassHint(dpy(), window, &hint) == 0) return false;
    bool match = (hint.res_class != nullptr && cp1252FromUtf8(hint.res_class) == wanted) ||
                 (hint.res_name != nullptr && cp1252FromUtf8(hint.res_name) == wanted);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return match;
  }

  long wmState(XId window) {
    auto values = longProperty(window, "WM_STATE", atom("WM_STATE"));
    return values.empty() ? -1 : static_cast<long>(values[0]);
  }

  // A managed client that is not withdrawn; without a window manager, a
  // mapped child of the root.
  bool isListed(XId window) {
    if (!hasWindowManager()) {
      XWindowAttributes attributes;
      return XGetWindowAttributes(dpy(), window, &attributes) != 0 && attributes.map_state == IsViewable &&
             attributes.override_redirect == 0 && attributes.root == m_connection->root() &&
             isRootChild(window);
    }
    long state = wmState(window);
    return state != -1 && state != kWithdrawnState;
  }

  bool isRootChild(XId window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy(), window, &root, &parent, &children, &count) == 0) return false;
    XPtr<Window> owned(children);
    return parent == root;
  }

  bool hasNetState(XId window, const char* state) {
    auto values = longProperty(window, "_NET_WM_STATE", XA_ATOM);
    return std::find(values.begin(), values.end(), atom(state)) != values.end();
  }

  // A window manager that stopped leaves its check window's id behind on the
  // root; it is alive only while that window still names itself.
  bool hasWindowManager() {
    auto now = Clock::now();
    if (now < m_wmCheckedUntil) return m_hasWindowManager;
    auto check = longProperty(m_connection->root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    bool alive = false;
    if (!check.empty()) {
      ErrorTrap trap(dpy());
      auto self = longProperty(check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
      alive = !trap.failed() && !self.empty() && self[0] == check[0];
    }
    m_hasWindowManager = alive;
    m_wmCheckedUntil = now + std::chrono::milliseconds(250);
    return alive;
  }

  // EWMH pagers switch to the window's desktop before activating it.
  void switchToDesktopOf(XId window) {
    auto desktop = longProperty(window, "_NET_WM_DESKTOP", XA_CARDINAL);
    auto current = longProperty(m_connection->root(), "_NET_CURRENT_DESKTOP", XA_CARDINAL);
    if (desktop.empty() || current.empty() || desktop[0] == 0xFFFFFFFFul || desktop[0] == current[0]) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_connection->root();
    event.xclient.message_type = atom("_NET_CURRENT_DESKTOP");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(desktop[0]);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy(), m_connection->root(), False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
    XFlush(dpy());
    waitUntil([&] {
      auto now = longProperty(m_connection->root(), "_NET_CURRENT_DESKTOP", XA_CARDINAL);
      return !now.empty() && now[0] == desktop[0];
    });
  }

  // _NET_CLIENT_LIST_STACKING is bottom to top; without a window manager,
  // the root's children in stacking order stand in for it.
  std::vector<XId> clientsFrontToBack() {
    if (hasWindowManager()) {
      auto stacking = longProperty(m_connection->root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
      return std::vector<XId>(stacking.rbegin(), stacking.rend());
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy(), m_connection->root(), &root, &parent, &children, &count) == 0) return {};
    XPtr<Window> owned(children);
    std::vector<XId> clients;
    for (unsigned i = count; i-- > 0;) {
      if (isListed(children[i])) clients.push_back(children[i]);
    }
    return clients;
  }

  // The window manager's frame holds the client, the window with WM_STATE.
  XId clientBelow(XId window, int depth) {
    if (wmState(window) != -1) return window;
    if (depth > 4) return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy(), window, &root, &parent, &children, &count) == 0) return 0;
    XPtr<Window> owned(children);
    for (unsigned i = count; i-- > 0;) {
      if (XId client = clientBelow(children[i], depth + 1)) return client;
    }
    return 0;
  }

  XId topLevelOf(XId window) {
    for (int guard = 0; window != 0 && guard < 32; ++guard) {
      if (wmState(window) != -1) return window;
      Window root = 0, parent = 0;
      Window* children = nullptr;
      unsigned count = 0;
      if (XQueryTree(dpy(), window, &root, &parent, &children, &count) == 0) return 0;
      XPtr<Window> owned(children);
      if (parent == root) {
        if (XId client = clientBelow(window, 0)) return client;
        return isListed(window) ? window : 0;
      }
      window = parent;
    }
    return 0;
  }

  XId activeWindow() {
    if (hasWindowManager()) {
      auto active = longProperty(m_connection->root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
      if (!active.empty()) return active[0];
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy(), &focus, &revert);
    return focus <= PointerRoot ? 0 : topLevelOf(focus);
  }

  bool acceptsInput(XId window) {
    XPtr<XWMHints> hints(XGetWMHints(dpy(), window));
    return !hints || (hints->flags & InputHint) == 0 || hints->input != 0;
  }

  Extents frameExtents(XId window) {
    auto values = longProperty(window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (values.size() < 4) return {};
    return {static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
            static_cast<int>(values[3])};
  }

  std::optional<Rect> outerRect(XId window) {
    Window root = 0, child = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(dpy(), window, &root, &x, &y, &width, &height, &border, &depth) == 0) return std::nullopt;
    if (XTranslateCoordinates(dpy(), window, root, 0, 0, &x, &y, &child) == 0) return std::nullopt;
    Extents frame = frameExtents(window);
    return Rect{x - frame.left, y - frame.top, x + static_cast<int>(width) + frame.right,
                y + static_cast<int>(height) + frame.bottom};
  }

  int pidOf(XId window) {
    auto pid = longProperty(window, "_NET_WM_PID", XA_CARDINAL);
    if (!pid.empty()) return static_cast<int>(pid[0]);
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    int result = 0;
    if (XResQueryClientIds(dpy(), 1, &spec, &count, &values) == Success) {
      for (long i = 0; i < count && result <= 0; ++i) result = XResGetClientPid(&values[i]);
      XResClientIdsDestroy(count, values);
    }
    return result;
  }

  bool supportsProtocol(XId window, const char* protocol) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(dpy(), window, &protocols, &count) == 0) return false;
    XPtr<Atom> owned(protocols);
    return std::find(protocols, protocols + count, atom(protocol)) != protocols + count;
  }

  void sendToRoot(XId window, const char* type, std::array<long, 5> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    XSendEvent(dpy(), m_connection->root(), False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
    XFlush(dpy());
  }

  // The answer to a ping comes back to the root window; a connection of its
  // own listens for it, so that the shared one never collects those events.
  bool answersPing(XId window, std::chrono::milliseconds timeout) {
    if (m_pingDisplay == nullptr) {
      m_pingDisplay = openDisplay(m_connection->displayName());
      if (m_pingDisplay == nullptr) return true;
      XSelectInput(m_pingDisplay, DefaultRootWindow(m_pingDisplay), SubstructureNotifyMask);
      XSync(m_pingDisplay, False);
    }
    const long stamp = ++m_pingStamp;
    XEvent ping{};
    ping.xclient.type = ClientMessage;
    ping.xclient.window = window;
    ping.xclient.message_type = atom("WM_PROTOCOLS");
    ping.xclient.format = 32;
    ping.xclient.data.l[0] = static_cast<long>(atom("_NET_WM_PING"));
    ping.xclient.data.l[1] = stamp;
    ping.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(m_pingDisplay, window, False, NoEventMask, &ping);
    XFlush(m_pingDisplay);
    auto deadline = Clock::now() + timeout;
    for (;;) {
      while (XPending(m_pingDisplay) > 0) {
        XEvent event;
        XNextEvent(m_pingDisplay, &event);
        if (event.type == ClientMessage && event.xclient.message_type == atom("WM_PROTOCOLS") &&
            static_cast<Atom>(event.xclient.data.l[0]) == atom("_NET_WM_PING") && event.xclient.data.l[1] == stamp &&
            static_cast<XId>(event.xclient.data.l[2]) == window) {
          return true;
        }
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd fd{ConnectionNumber(m_pingDisplay), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left));
    }
  }

  template <class Condition>
  bool waitUntil(Condition condition) {
    auto deadline = Clock::now() + std::chrono::milliseconds(200);
    for (;;) {
      XSync(dpy(), False);
      if (condition()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  std::shared_ptr<Connection> m_connection;
  bool m_hasWindowManager = false;
  Clock::time_point m_wmCheckedUntil{};
  Display* m_pingDisplay = nullptr;
  long m_pingStamp = 0;
};

}  // namespace

std::unique_ptr<Windows> makeWindows(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Windows>(std::move(connection));
}

}  // namespace qlm::x11
