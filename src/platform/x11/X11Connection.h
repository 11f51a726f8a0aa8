#pragma once
// One connection to the X server, shared by the parts that run on the
// caller's thread. Every use holds its lock; no Xlib header is needed here.
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace qlm::x11 {

using XId = unsigned long;

// What our injector sent, so that the input watch can tell it apart from the
// input of other injecting programs (remote desktops, xdotool) that reaches
// the server through the same XTEST devices.
class InjectionLedger {
public:
  // `type` is the core event type, `detail` the keycode or button (0 for motion).
  void sent(int type, unsigned detail);
  // Whether an injected event was one of ours; spends its entry.
  bool take(int type, unsigned detail);

private:
  struct Entry {
    int type;
    unsigned detail;
    std::chrono::steady_clock::time_point when;
  };
  std::mutex m_mutex;
  std::deque<Entry> m_entries;
};

class Connection {
public:
  // Empty name: $DISPLAY.
  static std::shared_ptr<Connection> open(const std::string& displayName, std::string& error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  _XDisplay* display() const { return m_display; }
  const std::string& displayName() const { return m_name; }
  std::unique_lock<std::recursive_mutex> lock() { return std::unique_lock(m_mutex); }
  XId root() const { return m_root; }
  XId atom(const char* name);

  InjectionLedger& ledger() { return m_ledger; }

  // Something that must live as long as the connection (the virtual desktop it runs on).
  void keepAlive(std::shared_ptr<void> object) { m_keepAlive.push_back(std::move(object)); }

private:
  Connection() = default;
  _XDisplay* m_display = nullptr;
  std::string m_name;
  XId m_root = 0;
  std::recursive_mutex m_mutex;
  std::map<std::string, XId, std::less<>> m_atoms;
  std::vector<std::shared_ptr<void>> m_keepAlive;
  InjectionLedger m_ledger;
};

// Opens a further connection (for threads of their own); null on failure.
_XDisplay* openDisplay(const std::string& displayName);
void closeDisplay(_XDisplay* display);

// Catches the X errors of the requests made during its life on this thread,
// instead of letting Xlib end the process (a window may vanish at any time).
class ErrorTrap {
public:
  explicit ErrorTrap(_XDisplay* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server and tells whether any request failed.
  bool failed();

private:
  _XDisplay* m_display;
  int m_saved;
};

}  // namespace qlm::x11
