#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>

namespace qlm {

Outcome User::sendMessage(std::string_view, std::string_view, std::string_view) {
  return Outcome::failure("Not supported", kMessageNotSupported);
}

Platform::~Platform() { inputWatch.reset(); }

bool Platform::complete() const {
  return clock && windows && input && inputWatch && keyboardLayout && capture && clipboard && processes && shell && sound &&
         user && settings;
}

PlatformResult selectPlatform(std::span<const PlatformEntry> table, std::string_view override) {
  if (table.empty()) {
    return {nullptr, "No desktop backend is available."};
  }
  const PlatformEntry* chosen = &table.front();
  if (!override.empty()) {
    auto found = std::find_if(table.begin(), table.end(), [&](const PlatformEntry& e) { return e.name == override; });
    if (found == table.end()) {
      return {nullptr, "Unknown desktop backend '" + std::string(override) + "' in " + std::string(kPlatformVariable) + "."};
    }
    chosen = &*found;
  }
  PlatformResult result = chosen->create();
  if (result.platform && !result.platform->complete()) {
    return {nullptr, "The desktop backend '" + std::string(chosen->name) + "' is incomplete."};
  }
  return result;
}

WatchSubscription::~WatchSubscription() {
  if (m_watch != nullptr) {
    m_watch->unlisten(m_id);
  }
}

int WatchListeners::add(WatchListener listener) {
  std::lock_guard lock(m_mutex);
  int id = m_nextId++;
  m_listeners.emplace_back(id, std::make_shared<WatchListener>(std::move(listener)));
  return id;
}

bool WatchListeners::remove(int id) {
  std::lock_guard lock(m_mutex);
  std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
  return !m_listeners.empty();
}

// Delivery holds the lock so that a listener is never called after its
// subscription has ended on another thread.
void WatchListeners::deliver(const WatchedEvent& event) {
  std::lock_guard lock(m_mutex);
  auto listeners = m_listeners;
  for (const auto& [id, listener] : listeners) {
    (*listener)(event);
  }
}

bool WatchListeners::empty() const {
  std::lock_guard lock(m_mutex);
  return m_listeners.empty();
}

}  // namespace qlm
