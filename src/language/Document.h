#pragma once
// The record document: what playback and the instruction language share for
// the life of the document (variables, locations, settings, requests).
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "document/RecordDocument.h"
#include "imaging/CaptureBuffer.h"
#include "language/LocationTable.h"
#include "language/Services.h"
#include "language/VariableTable.h"
#include "platform/Clock.h"
#include "platform/Geometry.h"

namespace qlm {

struct Platform;
class TargetSelector;

struct PlaybackSettings {
  int windowWaitSeconds = 3;
  int foregroundMode = 2;       // 0 never, 1 before injection, 2 also inside screen waits
  bool selectEither = true;     // title OR application name
  bool selectByClass = true;
  bool selectByTitle = true;
  int resizeMode = 0;
  int resizeWidth = -1;
  int resizeHeight = -1;
  int resizeX = -1;
  int resizeY = -1;
};

struct TraceSettings {
  int debugLevel = 0;
  int traceLevel = 0;
  int verboseLevel = 0;
  std::string rowTemplate;
  std::string traceFileName;
  // The row template as the trace file's header line named it; the trace writer's.
  std::string preparedRowTemplate;
};

struct EndKeySetting {
  EndKeySetting() = default;
  EndKeySetting(const EndKeySetting& other) : notation(other.notation), virtualKey(other.virtualKey.load()) {}
  EndKeySetting& operator=(const EndKeySetting& other) {
    notation = other.notation;
    virtualKey = other.virtualKey.load();
    return *this;
  }

  std::string notation = "V[END]";  // read and written by the playback thread only
  // Written by the playback thread (SetEndKey), compared by the input watch's thread.
  std::atomic<int> virtualKey{35};
};

// What Quillmote is doing with the desktop: recording and playing exclude each other.
enum class RunState { Idle, Recording, Playing };

// Flags polled across threads; each says which side writes it.
struct PlaybackFlags {
  std::atomic<bool> stopRequest{false};   // language and playback thread; UI reads
  std::atomic<bool> closeRequest{false};  // playback thread (QlmClose, /close)
  std::atomic<bool> endKey{false};        // input watch and stop command; playback clears
  std::atomic<bool> running{false};       // UI thread at play; playback thread at end
  std::atomic<bool> userActive{false};    // WaitInactive sets; input watch clears
  std::atomic<int> movementWaitLeft{0};  // input watch sets; the activity pause counts down
  // Pointer moves the input watch lets pass after a button of our own windows
  // was pressed: the user leaving the window is not activity. The windows'
  // thread sets it, the watch spends it.
  std::atomic<int> pointerMovesIgnored{0};
  std::atomic<RunState> runState{RunState::Idle};  // UI thread at record and play; playback thread at end
};

class Document {
 public:
  Document(UiService& ui, TraceSink& trace, Clock& clock);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The desktop to play on; none for documents that only evaluate.
  void setPlatform(Platform* platform) { m_platform = platform; }
  Platform* platform() const { return m_platform; }
  // The target lookup of the running playback, for IfWindow; none outside playback.
  void setTargetSelector(TargetSelector* selector) { m_targetSelector = selector; }
  TargetSelector* targetSelector() { return m_targetSelector; }

  UiService& ui() { return m_ui; }
  TraceSink& trace() { return m_trace; }
  Clock& clock() { return m_clock; }

  // Variables. Failures to store show their message and set the stop request.
  char setVariable(std::string_view name, std::string_view storedForm);
  char setVariableNumber(std::string_view name, long long value);
  StoredVariable readVariable(std::string_view name) const { return m_variables.get(name); }
  long long readVariableNumber(std::string_view name) const { return m_variables.getNumber(name); }
  bool hasVariable(std::string_view name) const { return m_variables.exists(name); }
  const VariableTable& variables() const { return m_variables; }
  void resetVariables();

  // Variables given on the command line come back at every reset.
  struct StartingVariable {
    std::string name;
    std::string value;
  };
  void setStartingVariables(std::vector<StartingVariable> variables) { m_startingVariables = std::move(variables); }

  void requestStop() { m_flags.stopRequest = true; }
  bool stopRequested() const { return m_flags.stopRequest; }
  PlaybackFlags& flags() { return m_flags; }
  const PlaybackFlags& flags() const { return m_flags; }

  PlaybackSettings& settings() { return m_settings; }
  TraceSettings& traceSettings() { return m_traceSettings; }
  const TraceSettings& traceSettings() const { return m_traceSettings; }
  EndKeySetting& endKey() { return m_endKey; }
  LocationTable& locations() { return m_locations; }
  std::vector<std::string>& fileList() { return m_fileList; }

  long long chronoStart() const { return m_chronoStart; }
  void restartChrono() { m_chronoStart = m_clock.nowMs(); }

  Point& foundPosition() { return m_foundPosition; }
  Point& foundClickPoint() { return m_foundClickPoint; }
  std::string& targetApplication() { return m_targetApplication; }
  std::string& targetTitle() { return m_targetTitle; }

  // The latest screen picture of playback: taken for the trace and by the image waits.
  CaptureBuffer& captureBuffer() { return m_captureBuffer; }

  // Set by the trace writer when it wrote a file; opened when playback ends.
  std::string& openTraceRequest() { return m_openTraceRequest; }

  // The records, their file and the operations on them.
  RecordDocument& records() { return m_records; }
  const RecordDocument& records() const { return m_records; }
  const std::string& pathName() const { return m_records.path(); }
  void setPathName(std::string path) { m_records.setPath(std::move(path)); }

 private:
  UiService& m_ui;
  TraceSink& m_trace;
  Clock& m_clock;
  std::vector<StartingVariable> m_startingVariables;
  Platform* m_platform = nullptr;
  TargetSelector* m_targetSelector = nullptr;

  VariableTable m_variables;
  PlaybackFlags m_flags;
  PlaybackSettings m_settings;
  TraceSettings m_traceSettings;
  EndKeySetting m_endKey;
  LocationTable m_locations;
  std::vector<std::string> m_fileList;
  long long m_chronoStart = 0;
  Point m_foundPosition{-1, -1};
  Point m_foundClickPoint{-1, -1};
  std::string m_targetApplication;
  std::string m_targetTitle;
  std::string m_openTraceRequest;
  RecordDocument m_records;
  CaptureBuffer m_captureBuffer;
};

}  // namespace qlm
