#pragma once
// Recording: what the user types and clicks anywhere on the desktop becomes
// records appended to a document file as they happen.
//
//   Recorder recorder(platform, observer);
//   Outcome started = recorder.start("/home/me/work.qlm");  // creates a missing file
//   ...                       // the end key, or recorder.stop(), ends it
//
// Events are handled one at a time on the input watch's thread, in arrival
// order; records are written there too, so later events wait and none is
// lost. The end key stops the recording on that thread; stop() does it from
// any other thread and returns once the document is final. The observer is
// called on whichever of those threads did the work; it must not call stop().
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "platform/InputWatch.h"
#include "platform/Outcome.h"

namespace qlm {

struct Platform;
class RecordingSession;

struct MadeRecord {
  int line = 0;  // 1-based line of the document
  char kind = 0;
  std::string instruction;  // Windows-1252
};

class RecorderObserver {
public:
  virtual ~RecorderObserver() = default;
  virtual void recordMade(const MadeRecord& record) = 0;
  // The document is final (clean-up done); `cleanUp` says why it could not be tidied.
  virtual void recordingStopped(const Outcome& cleanUp) = 0;
};

class Recorder {
public:
  Recorder(Platform& platform, RecorderObserver& observer);
  ~Recorder();  // stops a recording that still runs
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Releases the modifiers the user holds, writes the two default records
  // into a document without records, and starts watching the desktop.
  Outcome start(const std::string& documentPath);
  // Saves text still pending as a last record, then tidies the document
  // (double clicks merged, empty records removed). Does nothing when idle.
  void stop();
  bool recording() const { return m_recording; }

private:
  void onEvent(const WatchedEvent& event);
  void finish();

  Platform& m_platform;
  RecorderObserver& m_observer;
  std::unique_ptr<RecordingSession> m_session;  // guarded by m_mutex
  std::mutex m_mutex;
  WatchSubscription m_subscription;
  std::atomic<bool> m_recording{false};  // start() sets it; finish() clears it
  std::atomic<bool> m_stopping{false};   // the first of the end key and stop() to come sets it
  std::mutex m_finishedMutex;
  std::condition_variable m_finishedSignal;
  bool m_finished = true;  // guarded by m_finishedMutex
};

}  // namespace qlm
