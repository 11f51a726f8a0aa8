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
  return m_refused || m_doc.flags().endKey || m_doc.stopRequested();
}

bool Injection::deliver(const std::function<bool()>& send, long long retryMs, std::string_view what) {
  if (m_refused) return false;
  for (int attempt = 1;; ++attempt) {
    if (send()) return true;
    if (attempt >= kMaxAttempts) break;
    wait(retryMs);
  }
  m_refused = true;
  m_doc.ui().bringMainWindowToFront();
  m_doc.ui().showMessage("Input refused: the desktop did not accept " + std::string(what) + " after " +
                         std::to_string(kMaxAttempts) + " attempts.");
  m_doc.requestStop();
  return false;
}

bool Injection::key(int virtualKey, bool up, long long retryMs) {
  return deliver([&] { return m_platform.input->sendKey(virtualKey, up); }, retryMs, "a key event");
}

bool Injection::character(unsigned char c, bool up) {
  return deliver([&] { return m_platform.input->sendCharacter(c, up); }, kRetryMs, "a character");
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
    character(c, false);
    wait(half);
    character(c, true);
    wait(edgeDelay());
    return;
  }
  const bool shift = (stroke->shiftState & 1) != 0;
  const bool altGr = (stroke->shiftState & 6) == 6;
  auto step = [&](int virtualKey, bool up) {
    wait(half);
    key(virtualKey, up);
  };
  if (shift) step(vk::kShift, false);
  if (altGr) {
    step(vk::kControl, false);
    step(vk::kMenu, false);
  }
  step(stroke->virtualKey, false);
  step(stroke->virtualKey, true);
  if (altGr) {
    step(vk::kMenu, true);
    step(vk::kControl, true);
  }
  if (shift) step(vk::kShift, true);
  wait(edgeDelay());
}

void Injection::sendKey(const KeyEntry& entry, char prefix) {
  const long long before = m_settings.keyDelay + 30;
  if (prefix == '\\' || prefix == 'V') {
    wait(before);
    key(entry.virtualKey, false);
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
  key(vk::kControl, false, gap);
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
  if (verbose >= 1 && m_platform.clock->nowMs() - m_doc.chronoStart() > 300 && m_hooks.openNote) {
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
  pointerEvent(static_cast<std::uint32_t>(entry.firstFlag));
  wait(halfDelay());
  if (prefix == 'V' && entry.secondFlag != 0) {
    pointerEvent(static_cast<std::uint32_t>(entry.secondFlag));
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
