// qlm play: one unattended playback of a document, as the /play start-up
// does, on the desktop of DISPLAY, a private virtual desktop, or (--sim) a
// simulated one that shows what would have been typed and clicked.

#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HeadlessHost.h"
#include "app/HeadlessUi.h"
#include "app/qlm/Commands.h"
#include "platform/FileOperations.h"
#include "language/Document.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "app/ProgramFunctions.h"
#include "playback/UserActivityWatch.h"
#include "platform/Platform.h"
#include "platform/Settings.h"
#include "platform/TextEncoding.h"
#include "platform/sim/SimDesktop.h"
#include "trace/Debugger.h"
#include "trace/TraceFanOut.h"
#include "trace/TraceWriter.h"

namespace qlm {
namespace {

constexpr const char* kUsage =
    "usage: qlm play FILE.qlm [/close] [$NAME=VALUE | $NAME VALUE]... [--sim] [--answers FILE] "
    "[--trace-events]\n";

struct PlayRequest {
  bool sim = false;
  bool traceEvents = false;
  std::string answersPath;
  std::string documentPath;  // as the file system names it
  std::vector<std::string> items;  // the program's own grammar, Windows-1252
};

bool parseRequest(CommandArgs args, PlayRequest& request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--sim") {
      request.sim = true;
    } else if (arg == "--trace-events") {
      request.traceEvents = true;
    } else if (arg == "--answers" && i + 1 < args.size()) {
      request.answersPath = args[++i];
    } else if (arg.starts_with("--")) {
      return false;
    } else {
      if (request.items.empty()) request.documentPath = arg;
      request.items.push_back(cp1252FromUtf8(arg));
    }
  }
  return !request.items.empty();
}

// A dry run needs somewhere to type: one scripted window per target of the document.
void furnishSimDesktop(SimDesktop& desktop, Document& doc, HeadlessHost& host) {
  std::set<std::pair<std::string, std::string>> targets;
  for (int i = 0; i < host.recordCount(); ++i) {
    RecordTarget target = host.record(i).target;
    if (!target.title.empty() && target.title.front() == '-') continue;
    std::string title;
    for (char c : target.title) title += c == '*' ? std::string() : c == '?' ? std::string("x") : std::string(1, c);
    targets.insert({target.className, title});
  }
  int offset = 0;
  for (const auto& [className, title] : targets) {
    SimWindowSpec spec;
    spec.className = className;
    spec.title = title.empty() ? "Untitled" : title;
    spec.rect = Rect::fromSize(40 + offset, 40 + offset, 640, 480);
    spec.textField = true;
    spec.recordsClicks = true;
    desktop.createWindow(spec);
    offset += 20;
  }
  (void)doc;
}

void reportSimDesktop(const SimDesktop& desktop) {
  for (WindowId window : desktop.windowsFrontToBack()) {
    std::optional<SimWindowInfo> info = desktop.windowInfo(window);
    if (!info) continue;
    std::printf("window \"%s\" (%s)\n", terminalText(info->spec.title).c_str(), terminalText(info->spec.className).c_str());
    std::printf("  typed: \"%s\"\n", terminalText(desktop.typedText(window), true).c_str());
    for (const SimClick& click : desktop.clicks(window)) {
      std::printf("  click: button %u at %d,%d\n", click.button, click.position.x, click.position.y);
    }
  }
}

struct OpenedPlatform {
  std::shared_ptr<SimDesktop> sim;
  std::unique_ptr<Platform> platform;
  std::string message;
};

OpenedPlatform openDesktop(bool sim) {
  OpenedPlatform opened;
  if (sim) {
    opened.sim = std::make_shared<SimDesktop>(1920, 1080);
    opened.platform = makeSimPlatform(opened.sim);
    return opened;
  }
  PlatformResult result = openPlatform();
  opened.platform = std::move(result.platform);
  opened.message = result.message;
  return opened;
}

}  // namespace

int cmdPlay(CommandArgs args) {
  PlayRequest request;
  if (!parseRequest(args, request)) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  CommandLine commandLine = CommandLine::parse(request.items);
  if (!commandLine.valid() || commandLine.documentPath().empty()) {
    std::fprintf(stderr, "qlm play: %s\n%s",
                 commandLine.valid() ? "the first item must be a .qlm document" : utf8FromCp1252(commandLine.message()).c_str(),
                 kUsage);
    return kExitUsage;
  }
  std::optional<AnswerFile> answers;
  if (!request.answersPath.empty()) {
    std::string error;
    answers = AnswerFile::load(request.answersPath, error);
    if (!answers) {
      std::fprintf(stderr, "qlm play: %s\n", error.c_str());
      return kExitUsage;
    }
  }
  OpenedPlatform desktop = openDesktop(request.sim);
  if (!desktop.platform) {
    std::fprintf(stderr, "qlm play: %s\n", desktop.message.c_str());
    return kExitUsage;
  }
  Platform& platform = *desktop.platform;
  int movementWait = platform.settings->profileInt("Playback", "WaitIfMouseMoves", 0);
  chooseSpreadsheet(*platform.settings);
  int notRespondingWait = platform.settings->profileInt("Playback", "WaitIfWindowNotResponding", 15000);
  if (!chooseOcrEngine(*platform.settings)) {
    std::fputs("qlm play: OCR_ENGINE names no engine (tesseract or gocr); tesseract reads the texts\n", stderr);
  }

  PrintedTrace printedTrace(stderr);
  TraceFanOut trace;
  if (request.traceEvents) trace.add(printedTrace);
  TerminalAsker asker(answers ? &*answers : nullptr, stdin, stderr, functions::standardInputIsTerminal());
  SystemResponse response(platform.settings.get(), &trace, asker);
  HeadlessUi ui(response, stderr);

  Document doc(ui, trace, *platform.clock);
  doc.setPlatform(&platform);
  doc.setStartingVariables(commandLine.startingVariables());
  doc.setPathName(request.documentPath);
  LoadResult loaded = doc.records().load();
  if (!loaded.opened) {
    std::fprintf(stderr, "qlm play: %s\n", terminalText(loaded.message, true).c_str());
    return kExitUsage;
  }
  for (const std::string& damaged : loaded.damagedLines) std::fprintf(stderr, "qlm play: %s\n", terminalText(damaged, true).c_str());
  doc.resetVariables();
  // Trace files and the debugger's stop rule, as the document's own listeners.
  TraceWriter traceWriter(doc);
  Debugger debugger(doc, &traceWriter);
  trace.add(debugger);

  HeadlessHost host(doc, stderr, platform.overlay.get());
  if (desktop.sim) furnishSimDesktop(*desktop.sim, doc, host);
  UserActivityWatch watch(doc, platform.sound.get(), movementWait);
  if (!watch.install(*platform.inputWatch)) {
    std::fputs("qlm play: the desktop's input cannot be watched; the end key will not stop this playback\n", stderr);
  }
  DesktopOutput output(doc, platform, host, notRespondingWait);
  PlaybackEngine engine(doc, host, output, {.closeWhenDone = commandLine.close(), .functions = &programFunctionBodies()});
  PlaybackEnd end = engine.run();
  watch.uninstall();

  if (desktop.sim) reportSimDesktop(*desktop.sim);
  if (end == PlaybackEnd::Completed) {
    std::fprintf(stderr, "qlm play: played to the end (%d records)\n", doc.records().count());
    return kExitOk;
  }
  std::fprintf(stderr, "qlm play: stopped at line %lld, instruction %lld\n", doc.readVariableNumber("$QLM_LINE"),
               doc.readVariableNumber("$QLM_INST"));
  return kExitFailed;
}

}  // namespace qlm
