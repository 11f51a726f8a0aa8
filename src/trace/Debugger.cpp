#include "trace/Debugger.h"

#include <algorithm>
#include <array>

#include "language/Document.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "playback/TargetSelection.h"
#include "trace/TraceWriter.h"

namespace qlm {
namespace {

constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
// Held down, these mean the user is busy with the desktop: no window pops up then.
constexpr std::array<int, 7> kHeldKeys{kLeftButton, kRightButton, vk::kLWin, vk::kRWin,
                                       vk::kControl, vk::kShift, vk::kMenu};

DebugStage stageOf(TraceStep step) {
  switch (step) {
    case TraceStep::BeforeInstruction: return DebugStage::BeforeExecute;
    case TraceStep::InFunction: return DebugStage::Executing;
    case TraceStep::AfterInstruction: return DebugStage::BeforeSend;
  }
  return DebugStage::None;
}

}  // namespace

bool debugStopWanted(int debugLevel, TraceStep kind, std::string_view description) {
  switch (kind) {
    case TraceStep::BeforeInstruction: return (debugLevel & kDebugBeforeExecute) != 0;
    case TraceStep::AfterInstruction: return (debugLevel & kDebugBeforeSend) != 0;
    case TraceStep::InFunction:
      return (debugLevel & kDebugInFunctions) != 0 || description.find("Debug(") != std::string_view::npos;
  }
  return false;
}

Debugger::Debugger(Document& document, TraceWriter* writer, DebugWindow* window)
    : m_document(document), m_writer(writer), m_window(window) {}

int Debugger::debugLevel() const { return m_document.traceSettings().debugLevel; }

void Debugger::traceEvent(const TraceEvent& event) {
  store(event);
  if (m_window != nullptr && debugStopWanted(debugLevel(), event.kind, event.description) && !inputHeld()) {
    m_document.ui().bringMainWindowToFront();
    m_window->runModal(*this);
  }
  rebuildTargetLines();
  if (m_writer != nullptr) m_writer->write(event, m_columns);
}

void Debugger::store(const TraceEvent& event) {
  if (event.line > 0) m_columns.line = event.line;
  if (event.instruction > 0) m_columns.instructionNumber = event.instruction;
  switch (event.kind) {
    case TraceStep::BeforeInstruction:
      m_columns.instruction = event.text;
      m_columns.desc2.clear();
      break;
    case TraceStep::InFunction:
      m_columns.desc1 = event.description;
      m_columns.desc2 = event.text;
      break;
    case TraceStep::AfterInstruction:
      m_columns.output = event.text;
      m_columns.desc1 = "Execute instruction...";
      m_columns.desc2 = "Execution ended.";
      break;
  }
  if (event.kind != TraceStep::AfterInstruction) m_columns.output.clear();
  m_columns.stage = stageOf(event.kind);
  rebuildTargetLines();
}

void Debugger::rebuildTargetLines() {
  LookupResult lookup;
  if (const TargetSelector* selector = m_document.targetSelector()) lookup = selector->lastLookup();
  m_columns.targetModeLine = "Mode=" + std::to_string(lookup.matchKind) + ", Apps=" + lookup.targetClass;
  m_columns.targetTitleLine = "Title=" + lookup.targetTitle;
}

bool Debugger::inputHeld() const {
  Platform* platform = m_document.platform();
  if (platform == nullptr || !platform->input) return false;
  return std::any_of(kHeldKeys.begin(), kHeldKeys.end(), [platform](int key) { return platform->input->isKeyDown(key); });
}

// Moving the pointer away from the window is not the user's activity.
void Debugger::buttonPressed() {
  m_document.flags().movementWaitLeft = 0;
  m_document.flags().pointerMovesIgnored = 15;
}

void Debugger::continueStep() {
  buttonPressed();
  if (m_columns.stage == DebugStage::BeforeExecute) m_columns.stage = DebugStage::Executing;
  if (m_columns.stage == DebugStage::BeforeSend) m_columns.stage = DebugStage::Sent;
}

void Debugger::stopPlayback() {
  buttonPressed();
  PlaybackFlags& flags = m_document.flags();
  flags.endKey = true;
  flags.running = false;
  m_document.traceSettings().debugLevel = 0;
}

void Debugger::endDebugging() {
  buttonPressed();
  m_document.traceSettings().debugLevel = 0;
}

void Debugger::setLevelBit(int bit, bool checked) {
  buttonPressed();
  int& level = m_document.traceSettings().debugLevel;
  level = checked ? (level | bit) : (level & ~bit);
  level = std::clamp(level, 0, 7);
}

}  // namespace qlm
