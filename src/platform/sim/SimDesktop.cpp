#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cerrno>

#include "platform/UsLayout.h"
#include "platform/VirtualKeys.h"

namespace qlm {

struct SimDesktop::Window {
  WindowId id = kNoWindow;
  SimWindowSpec spec;
  bool minimized = false;
  bool hung = false;
  bool activationRefused = false;
  std::vector<std::uint32_t> pixels;  // client area, rows top-down
  std::string typed;
  std::vector<SimClick> clicks;
  std::vector<SimEvent> queued;  // input held while the window is hung

  void fill() {
    pixels.assign(static_cast<std::size_t>(std::max(spec.rect.width(), 0)) *
                      static_cast<std::size_t>(std::max(spec.rect.height(), 0)),
                  spec.color);
  }
};

namespace {

constexpr int kVkPacket = 231;  // what the hooks report for typed characters without a key

// Drops the older half once `items` is over `limit`: amortised constant time.
template <typename Items>
void keepRecent(Items& items, std::size_t limit) {
  if (items.size() > limit) items.erase(items.begin(), items.begin() + static_cast<long>(items.size() - limit / 2));
}

bool isDownFlag(std::uint32_t flag) {
  return flag == mouse::kLeftDown || flag == mouse::kRightDown || flag == mouse::kMiddleDown;
}

int messageOfMouseFlag(std::uint32_t flag) {
  switch (flag) {
    case mouse::kMove: return watch::kMouseMove;
    case mouse::kLeftDown: return watch::kLeftDown;
    case mouse::kLeftUp: return watch::kLeftUp;
    case mouse::kRightDown: return watch::kRightDown;
    case mouse::kRightUp: return watch::kRightUp;
    case mouse::kMiddleDown: return watch::kMiddleDown;
    case mouse::kMiddleUp: return watch::kMiddleUp;
    default: return 0;
  }
}

void fillRect(std::vector<std::uint32_t>& pixels, int width, int height, const Rect& area, std::uint32_t rgb) {
  int left = std::max(area.left, 0), top = std::max(area.top, 0);
  int right = std::min(area.right, width), bottom = std::min(area.bottom, height);
  for (int y = top; y < bottom; ++y) {
    std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + left, std::max(right - left, 0), rgb);
  }
}

SimEvent makeEvent(SimEventKind kind, bool injected) {
  SimEvent event;
  event.kind = kind;
  event.injected = injected;
  return event;
}

SimEvent keyEvent(int virtualKey, bool up, bool injected) {
  SimEvent event = makeEvent(SimEventKind::Key, injected);
  event.virtualKey = virtualKey;
  event.up = up;
  return event;
}

SimEvent mouseEvent(std::uint32_t flags, bool injected) {
  SimEvent event = makeEvent(SimEventKind::Mouse, injected);
  event.mouseFlags = flags;
  return event;
}

}  // namespace

SimDesktop::~SimDesktop() = default;

SimDesktop::SimDesktop(int width, int height)
    : m_width(std::max(width, 1)), m_height(std::max(height, 1)),
      m_desktopPixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0x3A6EA5) {}

SimDesktop::Window* SimDesktop::find(WindowId window) {
  for (auto& w : m_windows) {
    if (w->id == window) return w.get();
  }
  return nullptr;
}

const SimDesktop::Window* SimDesktop::find(WindowId window) const {
  return const_cast<SimDesktop*>(this)->find(window);
}

WindowId SimDesktop::createWindow(const SimWindowSpec& spec) {
  std::lock_guard lock(m_mutex);
  auto window = std::make_unique<Window>();
  window->id = m_nextWindow++;
  window->spec = spec;
  window->fill();
  WindowId id = window->id;
  m_windows.push_back(std::move(window));
  m_foreground = id;
  return id;
}

void SimDesktop::closeWindow(WindowId window) {
  std::lock_guard lock(m_mutex);
  std::erase_if(m_windows, [window](const auto& w) { return w->id == window; });
  if (m_foreground == window) {
    m_foreground = kNoWindow;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
      if (!(*it)->minimized) {
        m_foreground = (*it)->id;
        break;
      }
    }
  }
}

void SimDesktop::setTitle(WindowId window, std::string title) {
  std::lock_guard lock(m_mutex);
  if (auto* w = find(window)) w->spec.title = std::move(title);
}

void SimDesktop::moveWindow(WindowId window, const Rect& rect) {
  std::lock_guard lock(m_mutex);
  if (auto* w = find(window)) {
    bool resized = w->spec.rect.width() != rect.width() || w->spec.rect.height() != rect.height();
    w->spec.rect = rect;
    if (resized) w->fill();
  }
}

void SimDesktop::setMinimized(WindowId window, bool minimized) {
  std::lock_guard lock(m_mutex);
  if (auto* w = find(window)) {
    w->minimized = minimized;
    if (minimized && m_foreground == window) m_foreground = kNoWindow;
  }
}

void SimDesktop::setHung(WindowId window, bool hung) {
  std::lock_guard lock(m_mutex);
  auto* w = find(window);
  if (w == nullptr) return;
  w->hung = hung;
  if (!hung) {
    auto queued = std::move(w->queued);
    w->queued.clear();
    for (const auto& event : queued) deliverToWindow(*w, event);
  }
}

void SimDesktop::raise(WindowId window) {
  auto it = std::find_if(m_windows.begin(), m_windows.end(), [window](const auto& w) { return w->id == window; });
  if (it == m_windows.end()) return;
  auto moved = std::move(*it);
  m_windows.erase(it);
  m_windows.push_back(std::move(moved));
}

void SimDesktop::activate(WindowId window) {
  std::lock_guard lock(m_mutex);
  if (find(window) == nullptr) return;
  raise(window);
  m_foreground = window;
}

void SimDesktop::refuseActivation(WindowId window, bool refuse) {
  std::lock_guard lock(m_mutex);
  if (auto* w = find(window)) w->activationRefused = refuse;
}

bool SimDesktop::activationRefused(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  return w != nullptr && w->activationRefused;
}

bool SimDesktop::windowExists(WindowId window) const {
  std::lock_guard lock(m_mutex);
  return find(window) != nullptr;
}

std::optional<Rect> SimDesktop::windowRect(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  return w ? std::optional<Rect>(w->spec.rect) : std::nullopt;
}

bool SimDesktop::isMinimized(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  return w != nullptr && w->minimized;
}

std::optional<SimWindowInfo> SimDesktop::windowInfo(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  if (w == nullptr) return std::nullopt;
  return SimWindowInfo{w->spec, w->minimized, w->hung};
}

std::vector<WindowId> SimDesktop::windowsFrontToBack() const {
  std::lock_guard lock(m_mutex);
  std::vector<WindowId> ids;
  for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) ids.push_back((*it)->id);
  return ids;
}

WindowId SimDesktop::foregroundWindow() const {
  std::lock_guard lock(m_mutex);
  return m_foreground;
}

std::string SimDesktop::typedText(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  return w ? w->typed : std::string();
}

std::vector<SimClick> SimDesktop::clicks(WindowId window) const {
  std::lock_guard lock(m_mutex);
  const auto* w = find(window);
  return w ? w->clicks : std::vector<SimClick>();
}

void SimDesktop::paintWindow(WindowId window, const Rect& area, std::uint32_t rgb) {
  std::lock_guard lock(m_mutex);
  if (auto* w = find(window)) fillRect(w->pixels, w->spec.rect.width(), w->spec.rect.height(), area, rgb);
}

std::uint32_t SimDesktop::pixelAt(Point p) const {
  std::lock_guard lock(m_mutex);
  for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
    const Window& w = **it;
    if (!w.minimized && w.spec.rect.contains(p)) {
      return w.pixels[static_cast<std::size_t>(p.y - w.spec.rect.top) * static_cast<std::size_t>(w.spec.rect.width()) +
                      static_cast<std::size_t>(p.x - w.spec.rect.left)];
    }
  }
  if (p.x < 0 || p.y < 0 || p.x >= m_width || p.y >= m_height) return 0;
  return m_desktopPixels[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(p.x)];
}

int SimDesktop::bitsPerPixel() const {
  std::lock_guard lock(m_mutex);
  return m_bitsPerPixel;
}

std::optional<Picture> SimDesktop::capture(const Rect& area) const {
  std::lock_guard lock(m_mutex);
  if (area.width() <= 0 || area.height() <= 0) return std::nullopt;
  Picture picture;
  picture.width = area.width();
  picture.height = area.height();
  picture.pixels.assign(picture.pixelBytes(), 0);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = picture.rowFromTop(y);
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t rgb = pixelAt({area.left + x, area.top + y});
      row[4 * x] = static_cast<std::uint8_t>(rgb);
      row[4 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
      row[4 * x + 2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  }
  return picture;
}

std::int64_t SimDesktop::now() const {
  std::lock_guard lock(m_mutex);
  return m_now;
}

void SimDesktop::runDueTimers(std::int64_t until) {
  for (;;) {
    auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
      return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    if (next == m_timers.end() || next->time > until) return;
    m_now = std::max(m_now, next->time);
    auto action = std::move(next->action);
    m_timers.erase(next);
    action();
  }
}

void SimDesktop::advance(std::int64_t ms) {
  std::lock_guard lock(m_mutex);
  std::int64_t until = m_now + std::max<std::int64_t>(ms, 0);
  runDueTimers(until);
  m_now = until;
}

void SimDesktop::at(std::int64_t time, std::function<void()> action) {
  std::lock_guard lock(m_mutex);
  m_timers.push_back({time, m_timerOrder++, std::move(action)});
}

void SimDesktop::after(std::int64_t ms, std::function<void()> action) {
  std::lock_guard lock(m_mutex);
  at(m_now + ms, std::move(action));
}

void SimDesktop::setLocalTime(const LocalTime& start) {
  std::lock_guard lock(m_mutex);
  m_start = start;
}

LocalTime SimDesktop::localTime() const {
  std::lock_guard lock(m_mutex);
  // Virtual time runs from the start time of day; the date stays.
  LocalTime t = m_start;
  std::int64_t ms = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond + m_now;
  ms %= 24LL * 3600 * 1000;
  t.millisecond = static_cast<int>(ms % 1000);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.hour = static_cast<int>(ms / 3600000);
  return t;
}

WindowId SimDesktop::topAt(Point position) const {
  for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
    if (!(*it)->minimized && (*it)->spec.rect.contains(position)) return (*it)->id;
  }
  return kNoWindow;
}

void SimDesktop::deliverToWindow(Window& window, const SimEvent& event) {
  if (window.hung) {
    window.queued.push_back(event);
    return;
  }
  if (event.kind == SimEventKind::Character && !event.up && window.spec.textField) {
    window.typed += static_cast<char>(event.character);
  } else if (event.kind == SimEventKind::Key && !event.up && window.spec.textField) {
    bool ctrl = m_keysDown[vk::kControl], alt = m_keysDown[vk::kMenu];
    if (ctrl && !alt && event.virtualKey == 'V') {
      if (m_clipboardContent == ClipboardContent::Text) window.typed += m_clipboard;
    } else if (event.virtualKey == vk::kBack) {
      if (!window.typed.empty()) window.typed.pop_back();
    } else if (!ctrl && !alt) {
      if (auto c = usCharacterForKey(event.virtualKey, m_keysDown[vk::kShift], m_capsLock)) {
        window.typed += static_cast<char>(*c == '\r' ? '\n' : *c);
      }
    }
  } else if (event.kind == SimEventKind::Mouse && window.spec.recordsClicks) {
    for (std::uint32_t flag : {mouse::kLeftDown, mouse::kRightDown, mouse::kMiddleDown}) {
      if ((event.mouseFlags & flag) != 0) {
        window.clicks.push_back({{event.position.x - window.spec.rect.left, event.position.y - window.spec.rect.top}, flag});
      }
    }
  }
  keepRecent(window.typed, kTypedLimit);
  keepRecent(window.clicks, kHistoryLimit);
}

void SimDesktop::deliver(const SimEvent& event) {
  if (auto* w = find(event.target)) deliverToWindow(*w, event);
}

void SimDesktop::notifyWatch(const SimEvent& event) {
  WatchedEvent watched;
  watched.time = static_cast<std::uint32_t>(event.time);
  watched.position = event.position;
  watched.injected = event.injected;
  watched.ours = event.injected;
  watched.keyboardState = event.keyboardState;
  if (event.kind == SimEventKind::Key || event.kind == SimEventKind::Character) {
    watched.message = event.up ? watch::kKeyUp : watch::kKeyDown;
    watched.virtualKey = event.kind == SimEventKind::Key ? event.virtualKey : kVkPacket;
    watched.scanCode = event.kind == SimEventKind::Key ? event.virtualKey : event.character;
    watched.flags = (event.up ? watch::kKeyReleased : 0u) | (event.injected ? watch::kKeyInjected : 0u);
    m_watchListeners.deliver(watched);
    return;
  }
  watched.flags = event.injected ? watch::kMouseInjected : 0u;
  if (event.kind == SimEventKind::PointerPlaced) {
    watched.message = watch::kMouseMove;
    m_watchListeners.deliver(watched);
    return;
  }
  for (std::uint32_t flag = 1; flag <= mouse::kMiddleUp; flag <<= 1) {
    if ((event.mouseFlags & flag) != 0) {
      watched.message = messageOfMouseFlag(flag);
      m_watchListeners.deliver(watched);
    }
  }
}

std::uint32_t SimDesktop::keyboardState() const {
  auto down = [this](int a, int b, int c) { return m_keysDown[a] || m_keysDown[b] || m_keysDown[c]; };
  std::uint32_t state = 0;
  if (down(vk::kShift, vk::kLShift, vk::kRShift)) state |= watch::kStateShift;
  if (m_capsLock) state |= watch::kStateCapsLock;
  if (down(vk::kControl, vk::kLControl, vk::kRControl)) state |= watch::kStateControl;
  if (down(vk::kMenu, vk::kLMenu, vk::kRMenu)) state |= watch::kStateAlt;
  return state;
}

void SimDesktop::record(SimEvent event) {
  event.time = m_now;
  event.keyboardState = keyboardState();
  if (event.kind == SimEventKind::Key) {
    if (event.virtualKey >= 0 && event.virtualKey < 256) {
      if (event.virtualKey == vk::kCapital && !event.up && !m_keysDown[vk::kCapital]) m_capsLock = !m_capsLock;
      m_keysDown[static_cast<std::size_t>(event.virtualKey)] = !event.up;
    }
    event.target = m_foreground;
  } else if (event.kind == SimEventKind::Character) {
    event.target = m_foreground;
  } else {
    event.position = m_pointer;
    event.target = topAt(m_pointer);
    bool press = false;
    for (std::uint32_t flag = 1; flag <= mouse::kMiddleUp; flag <<= 1) press |= (event.mouseFlags & flag) && isDownFlag(flag);
    if (press && event.target != kNoWindow) {
      raise(event.target);
      m_foreground = event.target;
    }
  }
  m_events.push_back(event);
  keepRecent(m_events, SimDesktop::kHistoryLimit);
  deliver(event);
  notifyWatch(event);
}

bool SimDesktop::refuse() {
  if (m_refusals <= 0) return false;
  --m_refusals;
  return true;
}

void SimDesktop::userKey(int virtualKey, bool up) {
  std::lock_guard lock(m_mutex);
  record(keyEvent(virtualKey, up, false));
}

void SimDesktop::userTap(int virtualKey) {
  userKey(virtualKey, false);
  userKey(virtualKey, true);
}

void SimDesktop::userMove(Point position) {
  std::lock_guard lock(m_mutex);
  m_pointer = position;
  record(mouseEvent(mouse::kMove, false));
}

void SimDesktop::userMouse(std::uint32_t flags) {
  std::lock_guard lock(m_mutex);
  record(mouseEvent(flags, false));
}

bool SimDesktop::injectKey(int virtualKey, bool up) {
  std::lock_guard lock(m_mutex);
  if (refuse() || virtualKey <= 0 || virtualKey > 255) return false;
  record(keyEvent(virtualKey, up, true));
  return true;
}

bool SimDesktop::injectCharacter(unsigned char character, bool up) {
  std::lock_guard lock(m_mutex);
  if (refuse()) return false;
  SimEvent event = makeEvent(SimEventKind::Character, true);
  event.character = character;
  event.up = up;
  record(event);
  return true;
}

bool SimDesktop::injectMouse(std::uint32_t flags) {
  std::lock_guard lock(m_mutex);
  if (refuse() || flags == 0) return false;
  record(mouseEvent(flags, true));
  return true;
}

bool SimDesktop::placePointer(Point position) {
  std::lock_guard lock(m_mutex);
  m_pointer = {std::clamp(position.x, 0, m_width - 1), std::clamp(position.y, 0, m_height - 1)};
  record(makeEvent(SimEventKind::PointerPlaced, true));
  return true;
}

bool SimDesktop::belongsTo(WindowId window, WindowId target) const {
  for (int depth = 0; window != kNoWindow && depth < 16; ++depth) {
    if (window == target) return true;
    const auto* w = find(window);
    window = w != nullptr ? w->spec.owner : kNoWindow;
  }
  return false;
}

Delivery SimDesktop::injectKeyInto(WindowId target, int virtualKey, bool up) {
  std::lock_guard lock(m_mutex);
  if (target != kNoWindow && !belongsTo(m_foreground, target)) return Delivery::OutsideTarget;
  return injectKey(virtualKey, up) ? Delivery::Sent : Delivery::Refused;
}

Delivery SimDesktop::injectCharacterInto(WindowId target, unsigned char character, bool up) {
  std::lock_guard lock(m_mutex);
  if (target != kNoWindow && !belongsTo(m_foreground, target)) return Delivery::OutsideTarget;
  return injectCharacter(character, up) ? Delivery::Sent : Delivery::Refused;
}

Delivery SimDesktop::injectMouseOnto(WindowId target, std::uint32_t flags) {
  std::lock_guard lock(m_mutex);
  if (target != kNoWindow && !belongsTo(topAt(m_pointer), target)) return Delivery::OutsideTarget;
  return injectMouse(flags) ? Delivery::Sent : Delivery::Refused;
}

void SimDesktop::refuseInjections(int count) {
  std::lock_guard lock(m_mutex);
  m_refusals = count;
}

Point SimDesktop::pointer() const {
  std::lock_guard lock(m_mutex);
  return m_pointer;
}

bool SimDesktop::isKeyDown(int virtualKey) const {
  std::lock_guard lock(m_mutex);
  auto down = [this](int key) { return key >= 0 && key < 256 && m_keysDown[static_cast<std::size_t>(key)]; };
  switch (virtualKey) {
    case vk::kShift: return down(vk::kShift) || down(vk::kLShift) || down(vk::kRShift);
    case vk::kControl: return down(vk::kControl) || down(vk::kLControl) || down(vk::kRControl);
    case vk::kMenu: return down(vk::kMenu) || down(vk::kLMenu) || down(vk::kRMenu);
    default: return down(virtualKey);
  }
}

bool SimDesktop::isCapsLockOn() const {
  std::lock_guard lock(m_mutex);
  return m_capsLock;
}

std::vector<SimEvent> SimDesktop::events() const {
  std::lock_guard lock(m_mutex);
  return m_events;
}

void SimDesktop::clearEvents() {
  std::lock_guard lock(m_mutex);
  m_events.clear();
}

void SimDesktop::setClipboardText(std::string text) {
  std::lock_guard lock(m_mutex);
  m_clipboardContent = ClipboardContent::Text;
  m_clipboard = std::move(text);
}

void SimDesktop::setClipboardOther() {
  std::lock_guard lock(m_mutex);
  m_clipboardContent = ClipboardContent::Other;
  m_clipboard.clear();
}

void SimDesktop::setClipboardBusy(bool busy) {
  std::lock_guard lock(m_mutex);
  m_clipboardBusy = busy;
}

std::optional<std::string> SimDesktop::clipboardText() const {
  std::lock_guard lock(m_mutex);
  if (m_clipboardContent != ClipboardContent::Text) return std::nullopt;
  return m_clipboard;
}

bool SimDesktop::clipboardBusy() const {
  std::lock_guard lock(m_mutex);
  return m_clipboardBusy;
}

void SimDesktop::addProcess(std::string name) {
  std::lock_guard lock(m_mutex);
  m_processes.push_back(std::move(name));
}

void SimDesktop::removeProcess(std::string_view name) {
  std::lock_guard lock(m_mutex);
  auto it = std::find(m_processes.begin(), m_processes.end(), name);
  if (it != m_processes.end()) m_processes.erase(it);
}

std::vector<std::string> SimDesktop::processes() const {
  std::lock_guard lock(m_mutex);
  std::vector<std::string> names = m_processes;
  for (const auto& w : m_windows) names.push_back(w->spec.process);
  return names;
}

void SimDesktop::onCommand(CommandHandler handler) {
  std::lock_guard lock(m_mutex);
  m_commandHandler = std::move(handler);
}

CommandResult SimDesktop::runCommand(std::string_view commandLine, std::string_view folder, bool wait) {
  std::lock_guard lock(m_mutex);
  m_commands.emplace_back(commandLine);
  keepRecent(m_commands, kHistoryLimit);
  if (m_commandHandler) {
    CommandResult result = m_commandHandler(commandLine, folder);
    if (!wait) result.exitCode.reset();
    return result;
  }
  if (commandLine.find_first_not_of(" \t") == std::string_view::npos) {
    return {Outcome::failure("The command is empty.", ENOENT), std::nullopt};
  }
  return {Outcome::success(), wait ? std::optional<int>(0) : std::nullopt};
}

std::vector<std::string> SimDesktop::commands() const {
  std::lock_guard lock(m_mutex);
  return m_commands;
}

Outcome SimDesktop::openWithShell(std::string_view target) {
  std::lock_guard lock(m_mutex);
  if (target.empty()) return Outcome::failure("Nothing to open.", ENOENT);
  m_opened.emplace_back(target);
  keepRecent(m_opened, kHistoryLimit);
  return Outcome::success();
}

std::vector<std::string> SimDesktop::openedTargets() const {
  std::lock_guard lock(m_mutex);
  return m_opened;
}

void SimDesktop::recordBeep(int frequency, int ms) {
  std::lock_guard lock(m_mutex);
  m_beeps.emplace_back(frequency, ms);
  keepRecent(m_beeps, kHistoryLimit);
}

void SimDesktop::recordSound(ProgramSound sound) {
  std::lock_guard lock(m_mutex);
  m_sounds.push_back(sound);
  keepRecent(m_sounds, kHistoryLimit);
}

void SimDesktop::recordOverlay(OverlaySlot slot, std::optional<OverlayNote> note) {
  std::lock_guard lock(m_mutex);
  m_overlayCalls.push_back({m_now, slot, std::move(note)});
  keepRecent(m_overlayCalls, kHistoryLimit);
}

std::vector<SimDesktop::OverlayCall> SimDesktop::overlayCalls() const {
  std::lock_guard lock(m_mutex);
  return m_overlayCalls;
}

std::vector<std::pair<int, int>> SimDesktop::beeps() const {
  std::lock_guard lock(m_mutex);
  return m_beeps;
}

std::vector<ProgramSound> SimDesktop::sounds() const {
  std::lock_guard lock(m_mutex);
  return m_sounds;
}

std::string SimDesktop::userName() const {
  std::lock_guard lock(m_mutex);
  return m_userName;
}

Outcome SimDesktop::deliverMessage(std::string_view from, std::string_view to, std::string_view text) {
  std::lock_guard lock(m_mutex);
  if (to.empty()) return Outcome::failure("A parameter is invalid", kMessageInvalidParameter);
  if (std::find(m_loggedIn.begin(), m_loggedIn.end(), to) == m_loggedIn.end()) {
    return Outcome::failure("Name not found...", kMessageNameNotFound);
  }
  m_messages.push_back({std::string(from), std::string(to), std::string(text)});
  keepRecent(m_messages, kHistoryLimit);
  return Outcome::success();
}

std::vector<SimDesktop::Message> SimDesktop::messages() const {
  std::lock_guard lock(m_mutex);
  return m_messages;
}

}  // namespace qlm
