// The CLIPBOARD selection. Owning it needs a client that answers requests for
// as long as the text is to be had: a connection and thread of our own. Reads
// go through a second connection, so that they never wait on that thread.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "platform/TextEncoding.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

using Clock = std::chrono::steady_clock;
// A read waits this long for the owner's answer; the caller's own loop of
// attempts decides how long the clipboard may keep it waiting. An answer that
// comes later is taken by the next attempt instead of asking again.
constexpr auto kAnswerWait = std::chrono::milliseconds(100);
constexpr auto kRequestLifetime = std::chrono::seconds(5);
constexpr auto kTransferTimeout = std::chrono::milliseconds(1000);

// STRING is ISO-8859-1: the text in it, or nothing when the text holds a
// character beyond it (such texts are offered as UTF8_STRING only).
std::optional<std::string> latin1FromUtf8(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string utf8FromLatin1(std::string_view text) {
  std::string out;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

struct XFreeDeleter {
  void operator()(void* p) const {
    if (p != nullptr) XFree(p);
  }
};

Window makeHelperWindow(Display* display) {
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(display, window, PropertyChangeMask);
  return window;
}

// Waits for an event of `type` on `window` until `deadline`.
bool waitForEvent(Display* display, Window window, int type, XEvent& event, Clock::time_point deadline) {
  for (;;) {
    while (XPending(display) > 0) {
      XNextEvent(display, &event);
      if (event.type == type && event.xany.window == window) return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(std::min<long long>(left, 50)));
  }
}

class X11Clipboard final : public Clipboard {
public:
  explicit X11Clipboard(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {
    m_owner = openDisplay(m_connection->displayName());
    m_reader = openDisplay(m_connection->displayName());
    if (m_owner == nullptr || m_reader == nullptr) return;
    m_ownerWindow = makeHelperWindow(m_owner);
    m_readerWindow = makeHelperWindow(m_reader);
    XSync(m_owner, False);
    XSync(m_reader, False);
    m_thread = std::thread([this] { serve(); });
  }

  ~X11Clipboard() override {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    closeDisplay(m_owner);
    closeDisplay(m_reader);
  }

  bool hasText() override {
    if (m_reader == nullptr) return false;
    std::lock_guard lock(m_readMutex);
    return XGetSelectionOwner(m_reader, atom(m_reader, "CLIPBOARD")) != None;
  }

  ClipboardText readText() override {
    if (m_reader == nullptr) return {ClipboardState::Busy, {}};
    std::lock_guard lock(m_readMutex);
    Window owner = XGetSelectionOwner(m_reader, atom(m_reader, "CLIPBOARD"));
    if (owner == None) return {ClipboardState::NoText, {}};
    if (owner == m_ownerWindow) {
      std::lock_guard textLock(m_textMutex);
      return {ClipboardState::Text, cp1252FromUtf8(m_text)};
    }
    if (m_pendingTarget == 0 || Clock::now() - m_pendingSince > kRequestLifetime) {
      request(atom(m_reader, "UTF8_STRING"));
    }
    ClipboardText result = awaitAnswer();
    if (result.state == ClipboardState::NoText && m_pendingTarget == 0 && m_lastTarget != XA_STRING) {
      request(XA_STRING);
      result = awaitAnswer();
    }
    return result;
  }

  Outcome setText(std::string_view text) override {
    if (m_owner == nullptr) return Outcome::failure("The clipboard cannot be reached.");
    {
      std::lock_guard textLock(m_textMutex);
      m_text = utf8FromCp1252(text);
    }
    std::lock_guard lock(m_ownerMutex);
    XSetSelectionOwner(m_owner, atom(m_owner, "CLIPBOARD"), m_ownerWindow, CurrentTime);
    bool owned = XGetSelectionOwner(m_owner, atom(m_owner, "CLIPBOARD")) == m_ownerWindow;
    XFlush(m_owner);
    return owned ? Outcome::success() : Outcome::failure("Another program keeps the clipboard.");
  }

private:
  struct Transfer {
    std::string data;
    std::size_t sent = 0;
    Atom type = 0;
  };

  static Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

  void request(Atom target) {
    Atom property = atom(m_reader, "QUILLMOTE_CLIPBOARD");
    XDeleteProperty(m_reader, m_readerWindow, property);
    XConvertSelection(m_reader, atom(m_reader, "CLIPBOARD"), target, property, m_readerWindow, CurrentTime);
    XFlush(m_reader);
    m_pendingTarget = target;
    m_pendingSince = Clock::now();
  }

  // The answer to the pending request: Busy while the owner has not answered yet.
  ClipboardText awaitAnswer() {
    XEvent event;
    if (!waitForEvent(m_reader, m_readerWindow, SelectionNotify, event, Clock::now() + kAnswerWait)) {
      return {ClipboardState::Busy, {}};
    }
    const Atom target = m_pendingTarget;
    m_lastTarget = target;
    m_pendingTarget = 0;
    if (event.xselection.property == None || event.xselection.target != target) return {ClipboardState::NoText, {}};
    auto data = readProperty(atom(m_reader, "QUILLMOTE_CLIPBOARD"), Clock::now() + kTransferTimeout);
    if (!data) return {ClipboardState::Busy, {}};
    return {ClipboardState::Text, cp1252FromUtf8(target == XA_STRING ? utf8FromLatin1(*data) : *data)};
  }

  // Reads and deletes the property; a large text comes in INCR pieces.
  std::optional<std::string> readProperty(Atom property, Clock::time_point deadline) {
    Atom type = 0;
    std::string data = takeProperty(property, type);
    if (type != atom(m_reader, "INCR")) return data;
    std::string whole;
    XEvent event;
    for (;;) {
      do {
        if (!waitForEvent(m_reader, m_readerWindow, PropertyNotify, event, deadline + kTransferTimeout)) return std::nullopt;
      } while (event.xproperty.atom != property || event.xproperty.state != PropertyNewValue);
      std::string piece = takeProperty(property, type);
      if (piece.empty()) return whole;
      whole += piece;
    }
  }

  std::string takeProperty(Atom property, Atom& type) {
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string result;
    if (XGetWindowProperty(m_reader, m_readerWindow, property, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success && data != nullptr) {
      if (format == 8) result.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
    XFlush(m_reader);
    return result;
  }

  void serve() {
    while (!m_stop) {
      {
        std::lock_guard lock(m_ownerMutex);
        while (XPending(m_owner) > 0) {
          XEvent event;
          XNextEvent(m_owner, &event);
          handle(event);
        }
      }
      pollfd fd{ConnectionNumber(m_owner), POLLIN, 0};
      poll(&fd, 1, 50);
      // The server went away: Xlib notices it at a request with a reply.
      if ((fd.revents & (POLLHUP | POLLERR)) != 0) {
        std::lock_guard lock(m_ownerMutex);
        XSync(m_owner, False);
      }
    }
  }

  void handle(const XEvent& event) {
    if (event.type == SelectionClear) {
      std::lock_guard textLock(m_textMutex);
      m_text.clear();
    } else if (event.type == SelectionRequest) {
      answer(event.xselectionrequest);
    } else if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
      continueTransfer(event.xproperty.window, event.xproperty.atom);
    }
  }

  void answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    // Obsolete clients name no property: use the target.
    reply.property = request.property != None ? request.property : request.target;
    Atom utf8 = atom(m_owner, "UTF8_STRING");
    Atom text = atom(m_owner, "TEXT");
    std::string value;
    {
      std::lock_guard textLock(m_textMutex);
      value = m_text;
    }
    std::optional<std::string> latin1 = latin1FromUtf8(value);
    if (request.target == atom(m_owner, "TARGETS")) {
      Atom targets[] = {atom(m_owner, "TARGETS"), utf8, text, XA_STRING};
      XChangeProperty(m_owner, request.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(targets), latin1 ? 4 : 3);
    } else if (request.target == utf8 || request.target == text) {
      sendValue(request.requestor, reply.property, utf8, std::move(value));
    } else if (request.target == XA_STRING && latin1) {
      sendValue(request.requestor, reply.property, XA_STRING, std::move(*latin1));
    } else {
      reply.property = None;
    }
    XSendEvent(m_owner, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(m_owner);
  }

  std::size_t chunkSize() const {
    long maximum = XExtendedMaxRequestSize(m_owner);
    if (maximum == 0) maximum = XMaxRequestSize(m_owner);
    return static_cast<std::size_t>(std::min(maximum * 4 - 1024, 256L * 1024));
  }

  void sendValue(Window requestor, Atom property, Atom type, std::string value) {
    if (value.size() <= chunkSize()) {
      XChangeProperty(m_owner, requestor, property, type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(value.data()), static_cast<int>(value.size()));
      return;
    }
    // INCR: announce the size, then hand over a piece each time the
    // requestor deletes the property.
    XSelectInput(m_owner, requestor, PropertyChangeMask);
    long size = static_cast<long>(value.size());
    XChangeProperty(m_owner, requestor, property, atom(m_owner, "INCR"), 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&size), 1);
    m_transfers[{requestor, property}] = Transfer{std::move(value), 0, type};
  }

  void continueTransfer(Window requestor, Atom property) {
    auto found = m_transfers.find({requestor, property});
    if (found == m_transfers.end()) return;
    Transfer& transfer = found->second;
    std::size_t piece = std::min(chunkSize(), transfer.data.size() - transfer.sent);
    XChangeProperty(m_owner, requestor, property, transfer.type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(transfer.data.data() + transfer.sent), static_cast<int>(piece));
    transfer.sent += piece;
    if (piece == 0) {
      XSelectInput(m_owner, requestor, NoEventMask);
      m_transfers.erase(found);
    }
    XFlush(m_owner);
  }

  std::shared_ptr<Connection> m_connection;
  Display* m_owner = nullptr;
  Display* m_reader = nullptr;
  Window m_ownerWindow = 0;
  Window m_readerWindow = 0;
  std::mutex m_ownerMutex;  // the owner connection: serving thread and setText
  std::mutex m_readMutex;
  // The reader's request that has not been answered yet (guarded by m_readMutex).
  Atom m_pendingTarget = 0;
  Atom m_lastTarget = 0;
  Clock::time_point m_pendingSince;
  std::mutex m_textMutex;
  std::string m_text;  // UTF-8; written by setText and on SelectionClear
  std::map<std::pair<Window, Atom>, Transfer> m_transfers;  // serving thread only
  std::atomic<bool> m_stop{false};  // written by the destructor
  std::thread m_thread;
};

}  // namespace

std::unique_ptr<Clipboard> makeClipboard(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Clipboard>(std::move(connection));
}

}  // namespace qlm::x11
