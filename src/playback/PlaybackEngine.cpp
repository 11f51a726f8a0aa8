#include "playback/PlaybackEngine.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "language/Document.h"
#include "language/LocationTable.h"
#include "playback/PlaybackHost.h"
#include "playback/functions/PlaybackFunctions.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr Rgb kBeforeColour{255, 255, 0};
constexpr Rgb kEvaluatingColour{255, 100, 100};
constexpr Rgb kEvaluatedColour{200, 255, 200};
constexpr Rgb kDoneColour{207, 226, 244};

std::string folderOf(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void traceStep(Document& doc, TraceStep kind, int line, int instruction, std::string text) {
  TraceEvent event;
  event.kind = kind;
  event.line = line;
  event.instruction = instruction;
  event.text = std::move(text);
  doc.trace().traceEvent(event);
}

// Line and instruction numbers come from variables that the command line and
// every instruction may set: they are checked before they become an index.
bool inPositionRange(long long number) { return number >= 1 && number <= INT_MAX; }

}  // namespace

PlaybackEngine::PlaybackEngine(Document& document, PlaybackHost& host, PlaybackOutput& output,
                               PlaybackOptions options)
    : m_document(document), m_host(host), m_output(output), m_options(options), m_interpreter(document, options.functions ? *options.functions : playbackFunctionBodies()) {
  m_interpreter.setActivityPause([this] { userActivityPause(); });
}

PlaybackEngine::~PlaybackEngine() {
  if (m_thread.joinable()) {
    stop();
    m_thread.join();
  }
}

bool PlaybackEngine::start() {
  if (playing() || m_document.flags().runState != RunState::Idle) return false;
  // A playback that ended without anyone waiting for it must not refuse the next one.
  if (m_thread.joinable()) m_thread.join();
  prepare();
  m_threadDone = false;
  m_thread = std::thread([this] {
    m_end = run();
    m_threadDone = true;
  });
  return true;
}

PlaybackEnd PlaybackEngine::wait() {
  if (m_thread.joinable()) m_thread.join();
  return m_end;
}

void PlaybackEngine::stop() {
  PlaybackFlags& flags = m_document.flags();
  if (flags.runState == RunState::Recording) return;
  flags.running = false;
  flags.endKey = true;
}

// The play command's part: the label table over the rows to be played.
void PlaybackEngine::prepare() {
  PlaybackFlags& flags = m_document.flags();
  flags.movementWaitLeft = 0;
  flags.running = true;
  std::vector<PlaybackRecord> records;
  int count = m_host.recordCount();
  records.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) records.push_back(m_host.record(i));
  std::vector<LocationSource> sources;
  for (const PlaybackRecord& record : records) sources.push_back({record.instruction, record.play && !record.erase});
  m_document.locations().build(sources);
  if (m_document.locations().overflowed()) {
    m_document.ui().showMessage("More than 300 locations: GoTo cannot reach the locations beyond them.");
  }
  m_document.restartChrono();
}

PlaybackEnd PlaybackEngine::run() {
  if (!m_document.flags().running) prepare();
  PlaybackFlags& flags = m_document.flags();
  m_output.releaseModifiers();
  m_document.openTraceRequest().clear();
  flags.runState = RunState::Playing;
  m_host.playbackStarted(m_document.endKey().notation);
  m_document.setVariableNumber("$QLM_LINE_NB", m_host.recordCount());
  // The path is the file system's (UTF-8); variables hold Windows-1252.
  m_document.setVariable("$QLM_PATH", cp1252FromUtf8(folderOf(m_document.pathName())));
  if (!resumeOrReset()) {
    flags.running = false;
    flags.runState = RunState::Idle;
    m_host.playbackEnded();
    return PlaybackEnd::Unanswered;
  }
  flags.stopRequest = false;
  flags.endKey = false;
  // A close request outlives only a playback whose end did not act on it.
  flags.closeRequest = false;
  recordLoop();
  return finish();
}

bool PlaybackEngine::resumeOrReset() {
  if (!m_document.stopRequested()) {
    m_document.resetVariables();
    return true;
  }
  Question question;
  question.text = "Would you like to continue the previous playback Line=" +
                  VariableTable::readValue(m_document.readVariable("$QLM_LINE")) + " Instruction=" +
                  VariableTable::readValue(m_document.readVariable("$QLM_INST")) + " (already executed) ?";
  question.answers = {"Yes", "No, start again at the next instruction.",
                      "No, from the beginning and also reset the variables."};
  switch (m_document.ui().ask(question)) {
    case 1:
      return true;
    case 2:
      m_document.setVariableNumber("$QLM_INST", m_document.readVariableNumber("$QLM_INST") + 1);
      return true;
    case 3:
      m_document.resetVariables();
      return true;
    default:
      // Guessing an answer could replay steps that were already executed.
      m_document.ui().showMessage("Playback not started: no answer to the question \"" + question.text + "\"");
      return false;
  }
}

bool PlaybackEngine::keepGoing() const {
  const PlaybackFlags& flags = m_document.flags();
  return !flags.stopRequest && !flags.endKey && !flags.closeRequest;
}

bool PlaybackEngine::checkedLine(long long line) {
  if (inPositionRange(line)) return true;
  m_interpreter.failWith("Invalid line = " + std::to_string(line) + ".");
  return false;
}

bool PlaybackEngine::checkedInstruction(long long instruction) {
  if (inPositionRange(instruction)) return true;
  m_interpreter.failWith("Invalid instruction = " + std::to_string(instruction) + ".");
  return false;
}

// Bounded by the records the host holds, never by $QLM_LINE_NB, which anyone may set.
void PlaybackEngine::recordLoop() {
  const int count = m_host.recordCount();
  const long long first = m_document.readVariableNumber("$QLM_LINE");
  if (!checkedLine(first)) return;
  for (int r = static_cast<int>(first) - 1; r < count && keepGoing(); ++r) {
    m_document.setVariableNumber("$QLM_LINE", r + 1);
    m_document.records().setCurrentRecord(r);
    PlaybackRecord record = m_host.record(r);
    if (!record.play || record.erase) {
      m_host.closeEditor();
      continue;
    }
    m_document.targetApplication() = record.target.className;
    m_document.targetTitle() = record.target.title;
    m_host.selectRecord(r);
    m_interpreter.analyse(record.instruction);
    m_document.setVariableNumber("$QLM_INST_NB", m_interpreter.analysis().instructionCount);
    instructionLoop(r, record.target);
    const PlaybackFlags& flags = m_document.flags();
    if (!flags.stopRequest && !flags.endKey && !m_interpreter.jumpFlag()) m_document.setVariableNumber("$QLM_INST", 1);
    m_interpreter.clearJumpFlag();
    m_host.closeEditor();
  }
}

bool PlaybackEngine::instructionLoop(int& r, const RecordTarget& target) {
  const int count = m_interpreter.analysis().instructionCount;
  const long long first = m_document.readVariableNumber("$QLM_INST");
  if (!checkedInstruction(first)) return true;
  for (int i = static_cast<int>(first); i <= count && keepGoing();) {
    m_document.foundClickPoint() = {-1, -1};
    m_document.setVariableNumber("$QLM_INST", i);
    InstructionSpan span = m_interpreter.instructionRange(i);
    if (!span.nonEmpty()) {
      ++i;
      continue;
    }
    playInstruction(r, i, span, target);
    const long long line = m_document.readVariableNumber("$QLM_LINE");
    if (line != r + 1LL) {
      if (!checkedLine(line)) return true;
      r = static_cast<int>(line) - 2;
      return false;
    }
    const long long next = m_document.readVariableNumber("$QLM_INST");
    if (next == i) {
      ++i;
    } else if (checkedInstruction(next)) {
      i = static_cast<int>(next);
    } else {
      return true;
    }
  }
  return true;
}

void PlaybackEngine::playInstruction(int r, int i, InstructionSpan span, const RecordTarget& target) {
  m_output.prepareInstruction(target);
  m_interpreter.clearJumpFlag();
  const TraceSettings& trace = m_document.traceSettings();
  if ((trace.debugLevel > 0 || trace.traceLevel > 0) && m_output.findTarget(target)) {
    m_output.captureForTrace(target.title);
  }
  std::string source(m_interpreter.sourceText({span.start, span.end}));
  m_host.markInstruction(span.start, span.end, kBeforeColour);
  traceStep(m_document, TraceStep::BeforeInstruction, r + 1, i, source);
  m_host.markInstruction(span.start, span.end, kEvaluatingColour);
  Value output = m_interpreter.evaluate(span.start, span.end);
  m_host.markInstruction(span.start, span.end, kEvaluatedColour);
  traceStep(m_document, TraceStep::AfterInstruction, r + 1, i, "\"" + output.text + "\"");
  if (!output.text.empty() && m_output.findTarget(target)) {
    m_host.showTargetNote(" " + output.text + " ");
    m_output.sendText(output.text, target);
    m_host.closeTargetNote();
  }
  m_host.markInstruction(span.start, span.end, kDoneColour);
  m_host.pumpMessages();
  if (m_document.stopRequested()) m_document.ui().bringMainWindowToFront();
}

PlaybackEnd PlaybackEngine::finish() {
  PlaybackFlags& flags = m_document.flags();
  m_output.releaseModifiers();
  if (flags.endKey) {
    flags.endKey = false;
    flags.stopRequest = true;
  }
  bool closeByName = m_document.pathName().find("ZKRA") != std::string::npos;
  if ((closeByName || m_options.closeWhenDone) && !flags.stopRequest) flags.closeRequest = true;
  PlaybackEnd end = flags.stopRequest ? PlaybackEnd::Stopped : PlaybackEnd::Completed;
  if (flags.closeRequest && !flags.stopRequest) {
    m_host.closeProgram();
  } else if (!m_document.openTraceRequest().empty()) {
    m_host.openTraceFile(m_document.openTraceRequest());
    m_document.openTraceRequest().clear();
  }
  flags.running = false;
  flags.runState = RunState::Idle;
  m_host.playbackEnded();
  return end;
}

void PlaybackEngine::userActivityPause() {
  PlaybackFlags& flags = m_document.flags();
  if (flags.runState == RunState::Playing && m_output.targetLost()) return;
  if (flags.movementWaitLeft < 1) return;
  Clock& clock = m_document.clock();
  int full = flags.movementWaitLeft;
  while (flags.movementWaitLeft >= 1) {
    if (!keepGoing()) return;
    int left = flags.movementWaitLeft;
    if (left >= 1000) {
      char note[64];
      std::snprintf(note, sizeof note, "Mouse moved: %d/%d", left / 1000, full / 1000);
      m_host.showNote(note);
    }
    clock.sleep(std::min(left, 1000), [this] { m_host.pumpMessages(); });
    flags.movementWaitLeft -= 1000;
  }
  flags.movementWaitLeft = 0;
}

}  // namespace qlm
