#pragma once
// The debugger object of a document: the entry of every trace event. It keeps
// the current column values, decides by the debug level whether playback
// stops in the step-by-step window, and hands each event to the trace writer.
#include <string>
#include <string_view>

#include "language/Services.h"

namespace qlm {

class Debugger;
class Document;
class TraceWriter;

// Where playback stands for the debugger; Continue moves a stop before
// execution on to Executing and a stop before sending on to Sent.
enum class DebugStage { None, BeforeExecute, Executing, BeforeSend, Sent };

struct DebugColumns {
  std::string instruction;
  std::string desc1;
  std::string desc2;
  std::string output;
  std::string targetModeLine;   // "Mode=%d, Apps=%s"
  std::string targetTitleLine;  // "Title=%s"
  int line = 0;
  int instructionNumber = 0;
  DebugStage stage = DebugStage::None;
};

// The modal step-by-step window. Playback waits in runModal until the user
// has pressed one of the debugger's buttons and the window has closed.
class DebugWindow {
 public:
  virtual ~DebugWindow() = default;
  virtual void runModal(Debugger& debugger) = 0;
};

// Debug level bits.
inline constexpr int kDebugBeforeSend = 1;     // stops after an instruction
inline constexpr int kDebugBeforeExecute = 2;  // stops before an instruction
inline constexpr int kDebugInFunctions = 4;    // stops inside functions

// Whether an event asks for a stop at this debug level; every step of Debug() does.
bool debugStopWanted(int debugLevel, TraceStep kind, std::string_view description);

class Debugger final : public TraceSink {
 public:
  // Without a window the stops are decided but nobody is there to hold playback.
  Debugger(Document& document, TraceWriter* writer = nullptr, DebugWindow* window = nullptr);

  void setWindow(DebugWindow* window) { m_window = window; }
  void traceEvent(const TraceEvent& event) override;

  const DebugColumns& columns() const { return m_columns; }
  int debugLevel() const;

  // The window's buttons.
  void continueStep();
  void stopPlayback();
  void endDebugging();
  void setLevelBit(int bit, bool checked);

 private:
  void store(const TraceEvent& event);
  void rebuildTargetLines();
  bool inputHeld() const;
  void buttonPressed();

  Document& m_document;
  TraceWriter* m_writer;
  DebugWindow* m_window;
  DebugColumns m_columns;
};

}  // namespace qlm
