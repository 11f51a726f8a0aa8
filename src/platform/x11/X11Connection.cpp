#include "platform/x11/X11Connection.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace qlm::x11 {
namespace {

// Written by the error handler on the thread whose request failed.
thread_local int t_errorCount = 0;

int recordError(Display*, XErrorEvent*) {
  ++t_errorCount;
  return 0;
}

// Xlib ends the process after this handler whatever it does; the user
// learns why in our words instead of Xlib's.
int lostDesktop(Display* display) {
  std::fprintf(stderr, "qlm: The desktop was lost: the X display '%s' closed the connection. Playback ends.\n",
               display != nullptr ? DisplayString(display) : "");
  std::fflush(stderr);
  std::_Exit(1);
}

void initialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(recordError);
    XSetIOErrorHandler(lostDesktop);
  });
}

}  // namespace

_XDisplay* openDisplay(const std::string& displayName) {
  initialiseOnce();
  return XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
}

void closeDisplay(_XDisplay* display) {
  if (display != nullptr) XCloseDisplay(display);
}

std::shared_ptr<Connection> Connection::open(const std::string& displayName, std::string& error) {
  std::shared_ptr<Connection> connection(new Connection());
  connection->m_display = openDisplay(displayName);
  if (connection->m_display == nullptr) {
    const char* env = std::getenv("DISPLAY");
    std::string name = !displayName.empty() ? displayName : (env != nullptr ? env : "");
    error = name.empty() ? "No X display is set (DISPLAY is empty)." : "Cannot open the X display '" + name + "'.";
    return nullptr;
  }
  connection->m_name = DisplayString(connection->m_display);
  connection->m_root = DefaultRootWindow(connection->m_display);
  return connection;
}

Connection::~Connection() { closeDisplay(m_display); }

XId Connection::atom(const char* name) {
  auto lock = this->lock();
  auto found = m_atoms.find(name);
  if (found != m_atoms.end()) return found->second;
  XId value = XInternAtom(m_display, name, False);
  m_atoms.emplace(name, value);
  return value;
}

namespace {
// Events that never come (a zero-length move) must not excuse another
// program's input for long.
constexpr auto kLedgerLifetime = std::chrono::seconds(2);
constexpr std::size_t kLedgerSize = 4096;
}  // namespace

void InjectionLedger::sent(int type, unsigned detail) {
  std::lock_guard lock(m_mutex);
  m_entries.push_back({type, detail, std::chrono::steady_clock::now()});
  while (m_entries.size() > kLedgerSize) m_entries.pop_front();
}

bool InjectionLedger::take(int type, unsigned detail) {
  std::lock_guard lock(m_mutex);
  const auto now = std::chrono::steady_clock::now();
  while (!m_entries.empty() && now - m_entries.front().when > kLedgerLifetime) m_entries.pop_front();
  for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
    if (it->type == type && it->detail == detail) {
      m_entries.erase(it);
      return true;
    }
  }
  return false;
}

ErrorTrap::ErrorTrap(_XDisplay* display) : m_display(display), m_saved(t_errorCount) {
  XSync(m_display, False);
  t_errorCount = 0;
}

ErrorTrap::~ErrorTrap() {
  XSync(m_display, False);
  t_errorCount = m_saved;
}

bool ErrorTrap::failed() {
  XSync(m_display, False);
  return t_errorCount != 0;
}

}  // namespace qlm::x11
