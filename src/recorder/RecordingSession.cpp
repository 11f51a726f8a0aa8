#include "recorder/RecordingSession.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "document/RecordImage.h"
#include "document/Snapshot.h"
#include "language/KeyNotation.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "platform/VirtualKeys.h"
#include "recorder/Recorder.h"
#include "recorder/RecordingCleanUp.h"

namespace qlm {
namespace {

constexpr int kEndKey = vk::kEnd;
constexpr int kEndBeepFrequency = 4000;
constexpr int kEndBeepMs = 300;
constexpr std::size_t kTitleLimit = 250;
constexpr int kClickDistance = 6;
// Quillmote's status windows, by the first 11 characters of their title.
constexpr std::string_view kStatusTitle = std::string_view("XXXQuillmote -").substr(0, 11);
constexpr std::string_view kEventKinds = "ACKBM";
constexpr std::size_t kCtrlPress = 0, kAltPress = 2, kShiftPress = 4;
constexpr std::uint32_t kKeyboardDevice = 1, kMouseDevice = 0;

const std::size_t kInstructionLimit = RecordImage::capacity(TextField::Instruction);

std::string creationStampOf(const LocalTime& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", time.year % 100, time.month, time.day, time.hour,
                time.minute, time.second);
  return text;
}

int senseOf(KeyAction action) {
  switch (action) {
    case KeyAction::Press: return 0;
    case KeyAction::Release: return 1;
    case KeyAction::PressRelease: return 2;
  }
  return 3;
}

// The entry of a modifier transition: its press, or the release behind it.
std::size_t transitionEntry(std::size_t press, bool down) { return down ? press : press + 1; }

}  // namespace

RecordingSession::RecordingSession(Platform& platform, RecorderObserver& observer, std::string path)
    : m_platform(platform), m_observer(observer), m_path(std::move(path)) {}

Outcome RecordingSession::open() {
  m_flags = readRecordingFlags(*m_platform.settings);
  Snapshot file;
  std::string where = m_path;
  if (!file.beginAppend(where)) return Outcome::failure(file.message());
  int count = file.count();
  if (!file.finishAppend()) return Outcome::failure(file.message());
  if (count == 0) {
    saveRecord('1');
    saveRecord('2');
  }
  return Outcome::success();
}

bool RecordingSession::handle(const WatchedEvent& event) {
  m_pointerEvent = !event.isKey();
  m_eventPointer = event.position;
  if (event.isKey()) return handleKey(event);
  handleButton(event);
  return false;
}

void RecordingSession::captureEvent(const WatchedEvent& event, std::uint32_t device) {
  if (device == kKeyboardDevice) {
    auto keys = static_cast<std::uint32_t>(event.virtualKey & 0xFFFF) | static_cast<std::uint32_t>(event.scanCode & 0xFFFF) << 16;
    m_capturedEvent = {device, keys, event.flags, event.time, static_cast<std::uint32_t>(event.message), 0, 0};
  } else {
    m_capturedEvent = {device, static_cast<std::uint32_t>(event.position.x), static_cast<std::uint32_t>(event.position.y),
                       0, event.flags, event.time, static_cast<std::uint32_t>(event.message)};
  }
}

bool RecordingSession::handleKey(const WatchedEvent& event) {
  bool down = event.message == watch::kKeyDown;
  if (down && event.virtualKey == kEndKey) {
    m_platform.sound->beep(kEndBeepFrequency, kEndBeepMs);
    return true;
  }
  captureEvent(event, kKeyboardDevice);
  m_sense = down ? 0 : 1;

  WindowId foreground = m_platform.windows->foreground();
  std::string title = foreground == kNoWindow ? std::string() : m_platform.windows->title(foreground).substr(0, kTitleLimit);
  if (title != m_lastTitle) {
    m_lastTitle = title;
    saveRecord('A');
  }

  KeyMeaning meaning = m_platform.keyboardLayout->meaning(event);
  const ModifierState& now = meaning.modifiersAfter;
  std::optional<std::size_t> transition;
  bool controlOrAlt = false, shiftChanged = false;
  if (now.control != m_previous.control) {
    transition = transitionEntry(kCtrlPress, now.control);
    controlOrAlt = true;
  }
  if (now.alt != m_previous.alt) {
    transition = transitionEntry(kAltPress, now.alt);
    controlOrAlt = true;
  }
  if (now.shift != m_previous.shift) {
    transition = transitionEntry(kShiftPress, now.shift);
    shiftChanged = true;
  }
  m_previous = m_held = now;

  auto keys = keyboardKeyTable();
  if (transition) {
    const KeyEntry& entry = keys[*transition];
    const EntryFlags& flags = m_flags.keys[*transition];
    if (releaseTest(entry.notation, flags.merges)) {
      pressIntoTap();
      m_lastNotation = entry.notation;
    } else {
      appendNotation(entry.notation);
      if (flags.endsRecord) saveRecord('C');
    }
    if (controlOrAlt) return false;
  }

  bool characterDone = false;
  // The table names "V[HOME]" twice; one key makes one notation.
  bool notationDone = false;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const KeyEntry& entry = keys[i];
    const EntryFlags& flags = m_flags.keys[i];
    bool entryDown = entry.kind != KeyAction::Release;
    if (entryDown != down || !flags.capture) continue;
    if (shiftChanged || event.virtualKey != entry.virtualKey) {
      if (meaning.character && !characterDone && down) {
        appendCharacter(*meaning.character);
        characterDone = true;
      }
    } else if (!notationDone) {
      notationDone = true;
      if (releaseTest(entry.notation, flags.merges)) {
        pressIntoTap();
        m_lastNotation = entry.notation;
      } else {
        m_sense = senseOf(entry.kind);
        appendNotation(entry.notation);
        if (flags.endsRecord) saveRecord('K');
      }
    }
  }
  return false;
}

void RecordingSession::handleButton(const WatchedEvent& event) {
  auto buttons = mouseKeyTable();
  static constexpr int kMessages[] = {watch::kLeftDown, watch::kLeftUp, watch::kRightDown, watch::kRightUp};
  m_held = m_platform.keyboardLayout->meaning(event).modifiersAfter;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const MouseEntry& entry = buttons[i];
    const EntryFlags& flags = m_flags.buttons[i];
    if (kMessages[i] != event.message || !flags.capture) continue;
    bool press = entry.kind == KeyAction::Press;
    m_sense = press ? 0 : 1;
    std::string_view button = entry.notation.substr(1);
    if (releaseTest(entry.notation, flags.merges)) {
      pressIntoTap();
    } else {
      captureEvent(event, kMouseDevice);
      Point at = event.position;
      // Only the release of the pressed button makes a click of its press.
      bool near = std::abs(at.x - m_pendingClick.x) + std::abs(at.y - m_pendingClick.y) <= kClickDistance;
      if (m_clickPending && !press && button == m_pendingButton && near) {
        pressIntoTap();
        m_clickPending = false;
        m_pendingClick = at;
      } else {
        appendNotation(entry.notation);
        if (flags.endsRecord) {
          if (press) m_pendingButton = button;
          saveRecord('M');
        }
      }
    }
    m_lastNotation = entry.notation;
  }
}

bool RecordingSession::releaseTest(std::string_view notation, bool merges) const {
  return merges && m_lastNotation.starts_with('\\') && notation.starts_with('/') &&
         std::string_view(m_lastNotation).substr(1) == notation.substr(1);
}

void RecordingSession::makeRoom(std::size_t extra) {
  if (!m_pending.empty() && m_pending.size() + extra + 2 > kInstructionLimit) saveRecord('B');
}

void RecordingSession::appendNotation(std::string_view notation) {
  makeRoom(notation.size());
  m_pending += notation;
  m_lastNotation = notation;
}

void RecordingSession::appendCharacter(unsigned char character) {
  std::string text = character == '"' ? "\"\"" : std::string(1, static_cast<char>(character));
  makeRoom(text.size());
  m_pending += text;
  m_lastNotation = "xxx";
  // Quoted, the text must still fit into the instruction field.
  if (m_pending.size() + 2 >= kInstructionLimit) saveRecord('B');
}

void RecordingSession::pressIntoTap() {
  if (!m_pending.empty()) {
    turnPressIntoTap(m_pending);
  } else {
    turnLastRecordIntoTap(m_path);
  }
}

void RecordingSession::savePending() {
  // No later record could take the text: a window gone meanwhile gives way to the screen.
  if (!m_pending.empty() && !saveRecord('K') && !m_skippedOwnWindow) saveRecord('K', true);
}

std::optional<int> RecordingSession::saveReplacement(char kind) {
  m_pointerEvent = false;
  m_pending.clear();
  return saveRecord(kind);
}

std::optional<int> RecordingSession::saveRecord(char kind, bool wholeScreen) {
  Windows& windows = *m_platform.windows;
  WindowId window = kind == 'R' || wholeScreen ? kNoWindow : kind == 'M' ? windows.windowUnderPointer() : windows.foreground();
  std::string title = window == kNoWindow ? std::string() : windows.title(window);
  bool eventRecord = kEventKinds.find(kind) != std::string_view::npos;
  if (eventRecord && window != kNoWindow && (windows.isOwnWindow(window) || title.starts_with(kStatusTitle))) {
    // What was typed into Quillmote itself belongs to no other window either.
    m_pending.clear();
    m_skippedOwnWindow = true;
    return std::nullopt;
  }
  m_skippedOwnWindow = false;
  DesktopInfo desktop = windows.desktop();
  std::optional<Rect> windowRect = title.empty() ? std::nullopt : windows.rect(window);
  wholeScreen = !windowRect;
  Rect area = windowRect.value_or(Rect::fromSize(0, 0, desktop.width, desktop.height));
  std::optional<Picture> picture = m_platform.capture->capture(area);
  if (!picture) return std::nullopt;

  Point pointer = m_pointerEvent ? m_eventPointer : m_platform.input->pointerPosition();
  NewRecordFields fields;
  fields.kind = kind;
  fields.text = m_pending.empty() ? std::string() : "\"" + m_pending + "\"";
  fields.user = cp1252FromUtf8(m_platform.user->userName());
  fields.created = creationStampOf(m_platform.clock->localTime());
  if (!wholeScreen) {
    fields.windowClass = windows.className(window);
    fields.windowTitle = title;
    fields.process = windows.processFileName(window);
  }
  fields.windowsKeyHeld = m_platform.input->isKeyDown(vk::kLWin) || m_platform.input->isKeyDown(vk::kRWin);
  fields.click = wholeScreen ? pointer : Point{pointer.x - area.left, pointer.y - area.top};
  fields.areaWidth = area.width();
  fields.areaHeight = area.height();
  fields.comment = m_platform.settings->machineText("POST_TXT_OK", "");
  fields.minWait = m_platform.settings->machineInt("ATT1", 100);
  fields.maxWait = m_platform.settings->machineInt("ATT2", 7000);
  fields.pictureWidth = picture->width;
  fields.pictureHeight = picture->height;
  for (std::size_t i = 0; i < m_capturedEvent.size(); ++i) {
    for (std::size_t b = 0; b < 4; ++b) fields.capturedEvent[i * 4 + b] = static_cast<std::uint8_t>(m_capturedEvent[i] >> (8 * b));
  }
  fields.shift = m_held.shift;
  fields.ctrl = m_held.control;
  fields.alt = m_held.alt;
  fields.sense = m_sense;

  Snapshot file;
  file.setCapture(std::move(*picture));
  std::string where = m_path;
  if (!file.beginAppend(where)) return std::nullopt;
  fields.firstRecordOfFile = file.count() == 0;
  int line = file.count() + 1;
  RecordImage record = makeNewRecord(fields);
  bool appended = file.appendRecordImage(record) && file.appendPicture();
  if (!file.finishAppend() || !appended) return std::nullopt;

  m_pending.clear();
  m_clickPending = false;
  if (kind == 'M') {
    m_pendingClick = pointer;
    m_clickPending = m_sense == 0;
  }
  m_observer.recordMade({line, kind, record.text(TextField::Instruction)});
  return line;
}

}  // namespace qlm
