// qlm record: the user's work on the desktop of DISPLAY becomes records of a
// document until the end key, SIGINT or SIGTERM; qlm replace-picture gives a
// record a new picture of its window.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/qlm/Commands.h"
#include "app/qlm/ToolSupport.h"
#include "platform/Platform.h"
#include "platform/StopSignals.h"
#include "platform/TextEncoding.h"
#include "recorder/PictureReplacement.h"
#include "recorder/Recorder.h"

namespace qlm {
namespace {

constexpr std::string_view kRecordUsage = "record FILE.qlm [--quiet]";
constexpr std::int64_t kStopPollMs = 50;

class PrintingObserver final : public RecorderObserver {
public:
  explicit PrintingObserver(bool quiet) : m_quiet(quiet) {}
  // Line numbers are known only after the clean-up at the end, which drops
  // empty records and merges double clicks: here the kind and the text only,
  // of what the user did (the default records come before the banner).
  void recordMade(const MadeRecord& record) override {
    if (m_quiet || record.instruction.empty() || record.kind == '1' || record.kind == '2') return;
    std::printf("%c %s\n", record.kind, terminalText(record.instruction).c_str());
    std::fflush(stdout);
  }
  void recordingStopped(const Outcome& cleanUp) override {
    if (!cleanUp) std::fprintf(stderr, "qlm record: %s\n", terminalText(cleanUp.message, true).c_str());
    m_tidied = cleanUp.ok;
    m_stopped = true;
  }
  bool stopped() const { return m_stopped; }
  bool tidied() const { return m_tidied; }

private:
  bool m_quiet;
  std::atomic<bool> m_stopped{false};  // written by the recorder's stopping thread
  std::atomic<bool> m_tidied{false};
};

// The records this recording added, numbered as `qlm list` numbers them.
void printAddedRecords(const std::string& path, int linesBefore) {
  std::string error;
  std::optional<ListedDocument> document = listDocument(path, error);
  if (!document) return;
  std::printf("Recorded:\n");
  for (const ListedRecord& listed : document->records) {
    if (listed.line > linesBefore) printListRow(listed);
  }
}

bool desktopNamed() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && display[0] != '\0';
}

}  // namespace

int cmdRecord(CommandArgs args) {
  std::string path;
  bool quiet = false;
  for (std::string_view arg : args) {
    if (arg == "--quiet") {
      quiet = true;
    } else if (path.empty() && !arg.starts_with("--")) {
      path = arg;
    } else {
      return reportUsage(kRecordUsage);
    }
  }
  if (path.empty()) return reportUsage(kRecordUsage);
  if (!desktopNamed()) {
    std::fputs("qlm record: no desktop to record: DISPLAY is not set\n", stderr);
    return kExitUsage;
  }
  PlatformResult opened = openPlatform();
  if (!opened.platform) {
    std::fprintf(stderr, "qlm record: %s\n", opened.message.c_str());
    return kExitUsage;
  }
  Platform& platform = *opened.platform;
  const std::atomic<bool>& signalled = catchStopSignals();
  PrintingObserver observer(quiet);
  std::string unopened;
  int linesBefore = lineCount(path, unopened).value_or(0);
  Recorder recorder(platform, observer);
  Outcome started = recorder.start(path);
  if (!started) {
    std::fprintf(stderr, "qlm record: %s\n", terminalText(started.message, true).c_str());
    return kExitUsage;
  }
  std::printf("Recording... Stop recording with the end key: V[END]\n");
  std::fflush(stdout);
  while (!observer.stopped() && !signalled) platform.clock->sleep(kStopPollMs);
  recorder.stop();
  if (!observer.tidied()) return kExitFailed;
  if (!quiet) printAddedRecords(path, linesBefore);
  return kExitOk;
}

int cmdReplacePicture(CommandArgs args) {
  constexpr std::string_view kUsage = "replace-picture FILE.qlm LINE";
  if (args.size() != 2) return reportUsage(kUsage);
  std::string path(args[0]);
  std::string error;
  std::optional<int> count = lineCount(path, error);
  if (!count) return reportFailure(error);
  std::optional<int> line = parseLine(args[1], *count);
  if (!line) return reportFailure(noSuchLine(path, args[1], *count));
  PlatformResult opened = openPlatform();
  if (!opened.platform) return reportFailure(opened.message);
  Outcome replaced = replaceRecordPicture(*opened.platform, path, *line);
  if (!replaced) return reportFailure(terminalText(replaced.message, true));
  return kExitOk;
}

}  // namespace qlm
