#pragma once
// One recording: the input hooks' state, the text pending for the next
// record, and the routine that turns it into a record of the document file.
// Not thread-safe: the Recorder feeds it one event at a time.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Geometry.h"
#include "platform/InputWatch.h"
#include "platform/KeyboardLayout.h"
#include "platform/Outcome.h"
#include "recorder/RecordingFlags.h"

namespace qlm {

struct Platform;
class RecorderObserver;

class RecordingSession {
public:
  RecordingSession(Platform& platform, RecorderObserver& observer, std::string path);

  // Creates a missing document; writes the two default records into one
  // without records.
  Outcome open();
  // One event of the desktop; true for the end key.
  bool handle(const WatchedEvent& event);
  // Text still pending becomes a last record.
  void savePending();
  // A record of the foreground window ('r') or of the whole screen ('R')
  // with a new picture, for "Replace image"; its line, or nothing.
  std::optional<int> saveReplacement(char kind);

  const std::string& path() const { return m_path; }

private:
  bool handleKey(const WatchedEvent& event);
  void handleButton(const WatchedEvent& event);
  void appendNotation(std::string_view notation);
  void appendCharacter(unsigned char character);
  // Saves first when `extra` characters would no longer fit into a record.
  void makeRoom(std::size_t extra);
  bool releaseTest(std::string_view notation, bool merges) const;
  void pressIntoTap();
  std::optional<int> saveRecord(char kind, bool wholeScreen = false);
  void captureEvent(const WatchedEvent& event, std::uint32_t device);

  Platform& m_platform;
  RecorderObserver& m_observer;
  std::string m_path;
  RecordingFlags m_flags;

  std::string m_pending;
  std::string m_lastNotation = "xx";
  std::string m_lastTitle = "xx";
  ModifierState m_previous;  // as the last key event left them: transitions compare with it
  ModifierState m_held;      // as the last event of either device saw them: new records keep it
  std::array<std::uint32_t, 7> m_capturedEvent{};
  int m_sense = 3;
  Point m_eventPointer;
  bool m_pointerEvent = false;
  bool m_clickPending = false;
  Point m_pendingClick;
  std::string m_pendingButton;
  bool m_skippedOwnWindow = false;  // the last record asked for was one of our own windows  // "[LBUTTON]" or "[RBUTTON]" of the pending click
};

}  // namespace qlm
