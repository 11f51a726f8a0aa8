#pragma once
// What playback needs from the program around it: the records as the list
// shows them, the list's marks, notes over the target, and the way out at the
// end. The GUI, the headless player and the tests each provide one.
#include <string>
#include <string_view>

#include "language/AnalysisState.h"
#include "playback/TargetSelection.h"

namespace qlm {

struct PlaybackRecord {
  std::string instruction;
  bool play = true;
  bool erase = false;  // the "Erase" cell reads "X"
  RecordTarget target;
};

class PlaybackHost {
 public:
  virtual ~PlaybackHost() = default;
  virtual int recordCount() = 0;
  // Any index: one outside the records gives a record that is not played.
  virtual PlaybackRecord record(int index) = 0;

  virtual void selectRecord(int /*index*/) {}
  // Colours the instruction's characters in the list's editor.
  virtual void markInstruction(int /*start*/, int /*end*/, Rgb /*background*/) {}
  virtual void closeEditor() {}
  virtual void pumpMessages() {}
  // A short note over the foreground window ("Mouse moved: 2/5").
  virtual void showNote(std::string_view /*text*/) {}
  virtual void showTargetNote(std::string_view /*text*/) {}
  // The note before a click, over `area` of the screen; closed with the target note.
  virtual void showClickNote(std::string_view /*text*/, const Rect& /*area*/) {}
  virtual void closeTargetNote() {}
  // A cross centred on a point of the screen for one second.
  virtual void showPointNotice(Point /*at*/) {}
  virtual void playbackStarted(std::string_view /*endKeyNotation*/) {}
  virtual void playbackEnded() {}
  virtual void openTraceFile(std::string_view /*path*/) {}
  // The close request at the end of a playback that did not stop.
  virtual void closeProgram() {}
};

// Finding the target application and sending it the output of an instruction.
class PlaybackOutput {
 public:
  virtual ~PlaybackOutput() = default;
  virtual void releaseModifiers() {}
  // Before every instruction: no lookup yet, and the resize mode applied.
  virtual void prepareInstruction(const RecordTarget& /*record*/) {}
  // Looks for the target (waiting up to $QLM_MAX_WAIT_WIN) and brings it forward.
  virtual bool findTarget(const RecordTarget& record) = 0;
  virtual void sendText(std::string_view text, const RecordTarget& record) = 0;
  // Whether the window the current record plays into disappeared (reported
  // with the stop request); asked between the steps of every wait.
  virtual bool targetLost() { return false; }
  // The screen picture that a trace or the debugger shows beside the step.
  virtual void captureForTrace(std::string_view /*title*/) {}
};

}  // namespace qlm
