#include "playback/Injection.h"

#include <algorithm>
#include <cstdlib>

#include "language/Document.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

namespace qlm {
namespace {

constexpr long long kModifierGapMs = 30;

int variableDelay(const Document& doc, std::string_view name) {
  return static_cast<int>(std::clamp<long long>(doc.readVariableNumber(name), 0, 1'000'000));
}

}  // namespace

Injection::Injection(Document& doc, Platform& platform, TargetSelector& selector, InjectionHooks hooks)
    : m_doc(doc), m_platform(platform), m_selector(selector), m_hooks(std::move(hooks)) {}

void Injection::readSettings() {
  m_settings.mouseDelay = variableDelay(m_doc, "$QLM_MOUSE_SPEED");
  m_settings.keyDelay = variableDelay(m_doc, "$QLM_KEY_SPEED");
  // Only 1 pastes; a number beyond int must not wrap round to it.
  m_settings.keyMode = m_doc.readVariableNumber("$QLM_KEY_MODE") == 1 ? 1 : 0;
}

long long Injection::edgeDelay() const { return std::max<long long>(halfDelay(), 20); }

void Injection::wait(long long ms) {
  if (ms > 0) m_platform.clock->sleep(ms, m_hooks.pump);
}

bool Injection::interrupted() const {
  return m_refused || m_lost || m_doc.flags().endKey || m_doc.stopRequested();
}

bool Injection::refuse(std::string_view what) {
  m_refused = true;
  m_doc.ui().bringMainWindowToFront();
  m_doc.ui().showMessage("Input refused: the desktop did not accept " + std::string(what) + " after " +
                         std::to_string(kMaxAttempts) + " attempts.");
  m_doc.requestStop();
  return false;
}

bool Injection::deliver(const std::function<bool()>& send, long long retryMs, std::string_view what) {
  if (m_refused) return false;
  for (int attempt = 1;; ++attempt) {
    if (send()) return true;
    if (attempt >= kMaxAttempts) break;
    wait(retryMs);
  }
  return refuse(what);
}

std::string Injection::focusDescription(WindowId window) {
  Windows& windows = *m_platform.windows;
  if (window == kNoWindow) return "\nno window";
  return windowDescription(windows.title(window), windows.className(window));
}

void Injection::loseTarget(const std::string& message) {
  m_lost = true;
  if (m_doc.flags().endKey || m_doc.stopRequested()) return;
  m_doc.ui().bringMainWindowToFront();
  m_doc.ui().showMessage(message);
  m_doc.requestStop();
}

// One more attempt to give the target the focus; false (reported) when it is gone.
bool Injection::bringTargetBack() {
  Windows& windows = *m_platform.windows;
  if (!windows.isPresent(m_target)) {
    m_selector.reportTargetGone(m_record.title, m_record.className);
    m_lost = true;
    return false;
  }
  if (windows.isMinimized(m_target)) windows.restore(m_target);
  windows.setForeground(windows.lastActivePopup(windows.lastActivePopup(m_target)));
  return true;
}

// Presses and clicks go only into the target; releases follow their press
// wherever the focus is, so that no key stays held.
bool Injection::deliverInto(const std::function<Delivery()>& send, long long retryMs, std::string_view what,
                            bool click) {
  if (m_refused || m_lost) return false;
  std::int64_t deadline = -1;
  for (int attempt = 1;;) {
    const Delivery delivery = send();
    if (delivery == Delivery::Sent) return true;
    if (delivery == Delivery::OutsideTarget) {
      const std::int64_t now = m_platform.clock->nowMs();
      if (deadline < 0) {
        deadline = now + std::max<long long>(m_doc.readVariableNumber("$QLM_MAX_WAIT_WIN"), 0);
      } else if (now >= deadline) {
        const Point pointer = m_platform.input->pointerPosition();
        loseTarget(click ? "Click not sent: the point " + std::to_string(pointer.x) + "," +
                               std::to_string(pointer.y) + " is not in the target window: " +
                               windowDescription(m_record.title, m_record.className) + "\nbut in the window: " +
                               focusDescription(m_platform.windows->windowUnderPointer())
                         : "Keys not sent: the keyboard focus is not in the target window: " +
                               windowDescription(m_record.title, m_record.className) + "\nbut in the window: " +
                               focusDescription(m_platform.windows->keyboardFocus()));
        return false;
      } else {
        wait(kRefocusCycleMs);
      }
      if (interrupted() || !bringTargetBack()) return false;
      continue;
    }
    if (attempt++ >= kMaxAttempts) break;
    wait(retryMs);
  }
  return refuse(what);
}

bool Injection::key(int virtualKey, bool up, long long retryMs) {
  if (up) return deliver([&] { return m_platform.input->sendKey(virtualKey, up); }, retryMs, "a key event");
  return deliverInto([&] { return m_platform.input->sendKeyInto(m_target, virtualKey, up); }, retryMs,
                     "a key event", false);
}

bool Injection::character(unsigned char c, bool up) {
  if (up) return deliver([&] { return m_platform.input->sendCharacter(c, up); }, kRetryMs, "a character");
  return deliverInto([&] { return m_platform.input->sendCharacterInto(m_target, c, up); }, kRetryMs, "a character",
                     false);
}

bool Injection::button(std::uint32_t flags) {
  constexpr std::uint32_t kPresses = mouse::kLeftDown | mouse::kRightDown | mouse::kMiddleDown;
  if ((flags & kPresses) == 0) return pointerEvent(flags);
  if (m_hooks.syntheticPointer) m_hooks.syntheticPointer();
  return deliverInto([&] { return m_platform.input->sendMouseOnto(m_target, flags); }, kRetryMs, "a mouse event",
                     true);
}

bool Injection::pointerEvent(std::uint32_t flags) {
  if (m_hooks.syntheticPointer) m_hooks.syntheticPointer();
  return deliver([&] { return m_platform.input->sendMouse(flags); }, kRetryMs, "a mouse event");
}

bool Injection::placePointer(Point position) {
  if (m_hooks.syntheticPointer) m_hooks.syntheticPointer();
  return deliver([&] { return m_platform.input->setPointerPosition(position); }, kRetryMs, "a pointer move");
}

bool Injection::sendText(std::string_view text, const RecordTarget& record) {
  readSettings();
  m_refused = false;
  m_lost = false;
  m_record = record;
  const bool wholeScreen = !record.title.empty() && record.title.front() == '-';
  m_target = wholeScreen ? kNoWindow : m_selector.lastLookup().foundWindow;
  std::string pending;
  auto flush = [&] {
    if (!pending.empty()) pasteText(pending);
    pending.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    if (interrupted()) return false;
    if (auto match = matchNotation(text, i)) {
      flush();
      const auto index = static_cast<std::size_t>(match->index);
      if (match->mouse) {
        mouseAction(mouseKeyTable()[index], match->prefix, record);
      } else {
        sendKey(keyboardKeyTable()[index], match->prefix);
      }
      i += static_cast<std::size_t>(match->length);
      continue;
    }
    if (m_settings.keyMode == 1) {
      pending += text[i];
      if (pending.size() >= kPendingLimit) flush();
    } else {
      typeCharacter(static_cast<unsigned char>(text[i]));
    }
    ++i;
  }
  flush();
  return !interrupted();
}

// A character that the layout has no key for is typed through a key lent to
// it, rather than through a dead key of one particular layout.
void Injection::typeCharacter(unsigned char c) {
  const long long half = halfDelay();
  wait(edgeDelay());
  auto stroke = m_platform.input->keyForCharacter(c);
  if (!stroke) {
    wait(half);
    if (!character(c, false)) return;
    wait(half);
    character(c, true);
    wait(edgeDelay());
    return;
  }
  const bool shift = (stroke->shiftState & 1) != 0;
  const bool altGr = (stroke->shiftState & 6) == 6;
  auto step = [&](int virtualKey, bool up) {
    wait(half);
    return key(virtualKey, up);
  };
  // What was pressed is released even when a later press is not sent.
  const bool shiftDown = shift && step(vk::kShift, false);
  const bool ctrlDown = altGr && (!shift || shiftDown) && step(vk::kControl, false);
  const bool altDown = ctrlDown && step(vk::kMenu, false);
  const bool modifiersDown = (!shift || shiftDown) && (!altGr || altDown);
  if (modifiersDown && step(stroke->virtualKey, false)) step(stroke->virtualKey, true);
  if (altDown) step(vk::kMenu, true);
  if (ctrlDown) step(vk::kControl, true);
  if (shiftDown) step(vk::kShift, true);
  if (interrupted()) return;
  wait(edgeDelay());
}

void Injection::sendKey(const KeyEntry& entry, char prefix) {
  const long long before = m_settings.keyDelay + 30;
  if (prefix == '\\' || prefix == 'V') {
    wait(before);
    if (!key(entry.virtualKey, false)) return;
    wait(halfDelay());
  }
  if (prefix == '/' || prefix == 'V') {
    wait(before);
    key(entry.virtualKey, true);
    wait(halfDelay());
  }
}

void Injection::pasteText(std::string_view text) {
  // Without the text on the clipboard, Ctrl+V would paste whatever was there.
  if (text.size() <= 2 || !m_platform.clipboard->setText(text)) {
    for (char c : text) {
      if (interrupted()) return;
      typeCharacter(static_cast<unsigned char>(c));
    }
    return;
  }
  const long long gap = m_settings.keyDelay + 30;
  wait(gap);
  if (!key(vk::kControl, false, gap)) return;
  typeCharacter('v');
  wait(gap);
  key(vk::kControl, true);
}

Point Injection::clickTarget(const RecordTarget& record, bool& imageFound) {
  const Point found = m_doc.foundClickPoint();
  imageFound = found.x >= 0 && found.y >= 0;
  if (imageFound) return found;
  Windows& windows = *m_platform.windows;
  const DesktopInfo desktop = windows.desktop();
  Rect area = Rect::fromSize(0, 0, desktop.width, desktop.height);
  if (record.title.empty() || record.title.front() != '-') {
    if (WindowId foreground = windows.foreground(); foreground != kNoWindow) {
      area = windows.rect(foreground).value_or(area);
    }
  }
  return {record.clickPoint.x + area.left, record.clickPoint.y + area.top};
}

void Injection::mouseAction(const MouseEntry& entry, char prefix, const RecordTarget& record) {
  const Point start = m_platform.input->pointerPosition();
  bool imageFound = false;
  const Point target = clickTarget(record, imageFound);
  const int verbose = m_doc.traceSettings().verboseLevel;
  // The desktop would move the pointer to the screen's edge, and the click
  // would land somewhere else.
  const DesktopInfo screen = m_platform.windows->desktop();
  if (!Rect::fromSize(0, 0, screen.width, screen.height).contains(target)) {
    const std::string text = std::string(1, prefix) + std::string(entry.notation.substr(1)) + " (" +
                             std::to_string(target.x) + "," + std::to_string(target.y) + ")";
    TraceEvent event;
    event.kind = TraceStep::InFunction;
    event.line = m_doc.records().currentRecord() + 1;
    event.instruction = static_cast<int>(m_doc.readVariableNumber("$QLM_INST"));
    event.description = "Click not sent, its point lies outside the screen:";
    event.text = text;
    m_doc.trace().traceEvent(event);
    if (verbose >= 1 && m_hooks.openNote) {
      const Point near{std::clamp(target.x, 0, std::max(screen.width - 1, 0)),
                       std::clamp(target.y, 0, std::max(screen.height - 1, 0))};
      m_hooks.openNote(text + " outside the screen", Rect{near.x - 20, near.y - 20, near.x + 250, near.y + 80});
    }
    return;
  }
  const bool quickStep = m_platform.clock->nowMs() - m_doc.chronoStart() <= 300;
  // A note so soon after the last one would only flicker; the cross notice
  // still shows where a quick click lands, and goes by itself.
  if (verbose >= 1 && quickStep && m_hooks.showPointNotice) m_hooks.showPointNotice(target);
  if (verbose >= 1 && !quickStep && m_hooks.openNote) {
    std::string text = std::string(1, prefix) + std::string(entry.notation.substr(1)) + " (" +
                       (imageFound ? std::string("Image found")
                                   : std::to_string(target.x) + "," + std::to_string(target.y)) +
                       ")";
    m_hooks.openNote(text, Rect{target.x - 20, target.y - 20, target.x + 250, target.y + 80});
  }

  const long long step = m_settings.mouseDelay;
  if (std::abs(target.x - start.x) + std::abs(target.y - start.y) <= 6) {
    wait(step);
    placePointer(target);
  } else {
    for (int k = kMoveSteps; k >= 0; --k) {
      pointerEvent(mouse::kMove);
      placePointer({(k * start.x + (kMoveSteps - k) * target.x) / kMoveSteps,
                    (k * start.y + (kMoveSteps - k) * target.y) / kMoveSteps});
      wait(step);
    }
  }
  if (m_hooks.closeNotes) m_hooks.closeNotes();
  m_doc.restartChrono();

  if (verbose >= 1) {
    m_selector.findWindowLike(record.className, record.title, false, m_doc.readVariableNumber("$QLM_MAX_WAIT_WIN"),
                              true, "AppWait2");
    if (m_hooks.pump) m_hooks.pump();
    wait(50);
  }
  if (!button(static_cast<std::uint32_t>(entry.firstFlag))) return;
  wait(halfDelay());
  if (prefix == 'V' && entry.secondFlag != 0) {
    button(static_cast<std::uint32_t>(entry.secondFlag));
    wait(halfDelay());
  }
  pointerEvent(mouse::kMove);
  wait(halfDelay());
}

void Injection::releaseModifiers() {
  m_refused = false;
  Input& input = *m_platform.input;
  auto send = [this](int virtualKey, bool up) {
    wait(kModifierGapMs);
    key(virtualKey, up);
  };
  if (input.isKeyDown(vk::kMenu)) send(vk::kMenu, true);
  if (input.isCapsLockOn() && !input.isKeyDown(vk::kShift)) {
    send(vk::kCapital, false);
    send(vk::kCapital, true);
  }
  if (input.isKeyDown(vk::kShift)) send(vk::kShift, true);
  if (input.isKeyDown(vk::kControl)) send(vk::kControl, true);
  const bool left = input.isKeyDown(vk::kLWin);
  const bool right = input.isKeyDown(vk::kRWin);
  if (!left && !right) return;
  if (left) send(vk::kLWin, true);
  if (right) send(vk::kRWin, true);
  send(vk::kEscape, false);
  send(vk::kEscape, true);
}

}  // namespace qlm
