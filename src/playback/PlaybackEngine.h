#pragma once
// Plays a record document: walks the records from $QLM_LINE, evaluates each
// instruction from $QLM_INST, and hands non-empty outputs to the target
// application; honours jumps, the end key, stop and close requests.
#include <atomic>
#include <string>
#include <thread>

#include "language/Interpreter.h"

namespace qlm {

class Document;
class Clock;
class PlaybackHost;
class PlaybackOutput;
struct RecordTarget;

struct PlaybackOptions {
  bool closeWhenDone = false;  // started with /close
  // The functions of the layers above (workbooks, text recognition); without them, the playback's own.
  const FunctionBodies* functions = nullptr;
};

enum class PlaybackEnd {
  Completed,   // played to the end without a stop
  Stopped,     // stop request or end key; the next playback offers to resume
  Unanswered,  // the resume question had nobody to answer it
};

class PlaybackEngine {
 public:
  PlaybackEngine(Document& document, PlaybackHost& host, PlaybackOutput& output, PlaybackOptions options = {});
  ~PlaybackEngine();
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Prepares and starts the playback thread; false when one runs.
  bool start();
  // Whether the playback thread is still at work (the play command is refused meanwhile).
  bool playing() const { return m_thread.joinable() && !m_threadDone; }
  // Waits for the playback thread and tells how it ended.
  PlaybackEnd wait();
  // During a playback, stop only raises the end-key flag.
  void stop();

  // The whole playback on the calling thread (the thread procedure).
  PlaybackEnd run();
  // Run by the evaluator and by every wait: pauses while the user moves the pointer.
  void userActivityPause();

  Interpreter& interpreter() { return m_interpreter; }

 private:
  void prepare();
  bool resumeOrReset();
  void recordLoop();
  // False, with the message and the stop request, when the number is no line or instruction.
  bool checkedLine(long long line);
  bool checkedInstruction(long long instruction);
  // Returns false when a jump left the record.
  bool instructionLoop(int& r, const RecordTarget& target);
  void playInstruction(int r, int i, InstructionSpan span, const RecordTarget& target);
  PlaybackEnd finish();
  bool keepGoing() const;

  Document& m_document;
  PlaybackHost& m_host;
  PlaybackOutput& m_output;
  PlaybackOptions m_options;
  Interpreter m_interpreter;
  std::thread m_thread;
  // Written by the playback thread, read by the thread that waits for it.
  std::atomic<PlaybackEnd> m_end{PlaybackEnd::Completed};
  // Written by the playback thread as its last step, read by the thread that plays again.
  std::atomic<bool> m_threadDone{false};
};

}  // namespace qlm
