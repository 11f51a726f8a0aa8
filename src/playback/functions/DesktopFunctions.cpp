#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

#include "language/Document.h"
#include "playback/functions/PlaybackFunctions.h"
#include "language/functions/FunctionSupport.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"
#include "playback/TargetSelection.h"
#include "playback/TitleProgress.h"

namespace qlm {
namespace {

using functions::limitedText;
using functions::runBranch;

constexpr std::size_t kCommandLimit = 999;
constexpr std::size_t kNetSendLimit = 299;
constexpr long long kSliceMs = 1000;
constexpr long long kProcessCycleMs = 100;
constexpr long long kClipboardCycleMs = 100;
constexpr int kClipboardTries = 20;
constexpr std::string_view kUserResponse = "User Response";

// Functions that need the desktop say so on a build without one.
Platform* desktopOf(Interpreter& in, std::string_view function) {
  Platform* platform = in.document().platform();
  if (platform == nullptr) in.failWith(std::string(function) + "() is not available on this build.");
  return platform;
}

// Longer texts are refused rather than cut: a cut command runs something else.
long long secondsToMs(long long seconds) { return std::clamp<long long>(seconds, 0, LLONG_MAX / 1000) * 1000; }

// The end key during a wait stops the playback; no branch runs after it.
bool stoppedByEndKey(Document& doc) {
  if (!doc.flags().endKey) return false;
  doc.requestStop();
  return true;
}

char ifWindow(Interpreter& in, int, Arguments args, std::string& result) {
  Platform* platform = desktopOf(in, "IfWindow");
  if (platform == nullptr) return 'C';
  Document& doc = in.document();
  std::string title = in.textArgument(args[0]);
  if (title.empty()) title = doc.targetTitle();
  long long seconds = 0;
  if (!in.integerArgument(args[1], seconds)) return 'C';
  auto lookup = [&](TargetSelector& selector) {
    return selector.findWindowLike(std::nullopt, title, true, secondsToMs(seconds), true, "IfWindow");
  };
  bool found = false;
  if (TargetSelector* selector = doc.targetSelector()) {
    found = lookup(*selector);
  } else {
    TargetSelector local(doc, *platform);
    found = lookup(local);
  }
  if (stoppedByEndKey(doc)) return 'C';
  return runBranch(in, "IfWindow", found ? args[2] : args[3], result);
}

bool processRuns(Processes& processes, std::string_view name) {
  auto names = processes.runningExecutables();
  return std::any_of(names.begin(), names.end(),
                     [name](const std::string& executable) { return executable.find(name) != std::string::npos; });
}

char ifProcess(Interpreter& in, int, Arguments args, std::string& result) {
  Platform* platform = desktopOf(in, "IfProcess");
  if (platform == nullptr) return 'C';
  Document& doc = in.document();
  std::string name = in.textArgument(args[0]);
  long long seconds = 0;
  if (!in.integerArgument(args[1], seconds)) return 'C';
  const long long totalMs = secondsToMs(seconds);
  Clock& clock = *platform->clock;
  TitleProgress progress(doc.ui());
  const std::int64_t start = clock.nowMs();
  bool found = false;
  for (;;) {
    found = processRuns(*platform->processes, name);
    const std::int64_t elapsed = clock.nowMs() - start;
    if (found || elapsed > totalMs) break;
    progress.show("IfProcess", elapsed / 1000, totalMs / 1000);
    clock.sleep(kProcessCycleMs);
    if (stoppedByEndKey(doc)) return 'C';
  }
  progress.restore();
  return runBranch(in, "IfProcess", found ? args[2] : args[3], result);
}

// Slices of at most a second with the progress in the title; `inactive`
// restarts the count whenever the user was active during a slice.
void sliceWait(Interpreter& in, std::string_view label, long long totalMs, bool inactive) {
  Document& doc = in.document();
  TitleProgress progress(doc.ui());
  const bool showProgress = totalMs > kSliceMs;
  if (inactive) doc.flags().userActive = true;
  long long elapsed = 0;
  while (elapsed < totalMs) {
    if (showProgress) progress.show(label, elapsed / 1000, totalMs / 1000);
    const long long slice = std::min(kSliceMs, totalMs - elapsed);
    doc.clock().sleep(slice);
    in.runActivityPause();
    if (stoppedByEndKey(doc) || doc.stopRequested()) break;
    elapsed += slice;
    if (inactive) {
      if (!doc.flags().userActive) elapsed = 0;
      doc.flags().userActive = true;
    }
  }
}

char wait(Interpreter& in, int, Arguments args, std::string&) {
  long long ms = 0;
  if (!in.integerArgument(args[0], ms)) return 'C';
  ms = std::max<long long>(ms, 0);
  if (ms <= kSliceMs) {
    in.document().clock().sleep(ms);
  } else {
    sliceWait(in, "Wait", ms, false);
  }
  return 'C';
}

// Unlike Wait, short times are sliced too: a plain sleep could not notice the user.
char waitInactive(Interpreter& in, int, Arguments args, std::string&) {
  long long ms = 0;
  if (!in.integerArgument(args[0], ms)) return 'C';
  sliceWait(in, "WaitInactive", std::max<long long>(ms, 0), true);
  return 'C';
}

// The answer, or 0 when nobody can answer: the playback then stops.
int askUser(Document& doc, std::string text, std::vector<std::string> answers) {
  Question question;
  question.title = "Quillmote";
  question.text = std::move(text);
  question.answers = std::move(answers);
  question.section = kUserResponse;
  question.rememberable = true;
  int answer = doc.ui().ask(question);
  if (answer == 0) {
    doc.ui().showMessage("No answer to the question \"" + question.text + "\": the playback stops.");
    doc.requestStop();
  }
  return answer;
}

char msgBox(Interpreter& in, int, Arguments args, std::string&) {
  askUser(in.document(), in.textArgument(args[0]), {"OK"});
  return 'C';
}

char ask(Interpreter& in, int, Arguments args, std::string& result) {
  std::string question = in.textArgument(args[0]);
  std::string first = in.textArgument(args[1]);
  std::string second = in.textArgument(args[3]);
  int answer = askUser(in.document(), std::move(question), {std::move(first), std::move(second)});
  if (answer == 0) return 'C';
  return runBranch(in, "Ask", answer == 1 ? args[2] : args[4], result);
}

char ask3(Interpreter& in, int, Arguments args, std::string& result) {
  std::string question = in.textArgument(args[0]);
  std::string first = in.textArgument(args[1]);
  std::string second = in.textArgument(args[3]);
  std::string third = in.textArgument(args[5]);
  int answer =
      askUser(in.document(), std::move(question), {std::move(first), std::move(second), std::move(third)});
  if (answer == 0) return 'C';
  ArgumentRange branch = answer == 1 ? args[2] : answer == 2 ? args[4] : args[6];
  return runBranch(in, "Ask", branch, result);
}

char setTitle(Interpreter& in, int, Arguments args, std::string&) {
  in.document().ui().setMainWindowTitle(in.textArgument(args[0]));
  return 'C';
}

char say(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "Say");
  if (platform == nullptr) return 'C';
  std::string word = in.textArgument(args[0]);
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::toupper(c); });
  if (word == "HELLO") {
    platform->sound->play(ProgramSound::Hello);
  } else if (word == "OK") {
    platform->sound->play(ProgramSound::Ok);
  } else if (word == "HELP") {
    platform->sound->play(ProgramSound::Help);
  } else {
    platform->sound->beep(1000, 100);
  }
  return 'C';
}

char beep(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "Beep");
  if (platform == nullptr) return 'C';
  long long frequency = 0;
  long long duration = 0;
  if (!in.integerArgument(args[0], frequency) || !in.integerArgument(args[1], duration)) return 'C';
  platform->sound->beep(static_cast<int>(std::clamp<long long>(frequency, 0, INT_MAX)),
                        static_cast<int>(std::clamp<long long>(duration, 0, INT_MAX)));
  return 'C';
}

// One line break at the end is the clipboard's, not the user's: "\r\n" or,
// as Linux programs copy it, "\n" alone.
void dropFinalLineBreak(std::string& text) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
    text.resize(text.size() - 2);
  } else if (!text.empty() && text.back() == '\n') {
    text.pop_back();
  }
}

std::string readClipboard(Platform& platform) {
  Clock& clock = *platform.clock;
  Clipboard& clipboard = *platform.clipboard;
  clock.sleep(kClipboardCycleMs);
  int tries = 0;
  for (; tries < kClipboardTries && !clipboard.hasText(); ++tries) clock.sleep(kClipboardCycleMs);
  if (tries == kClipboardTries) return "b";
  ClipboardText read;
  for (tries = 0; tries < kClipboardTries; ++tries) {
    read = clipboard.readText();
    if (read.state != ClipboardState::Busy) break;
    clock.sleep(kClipboardCycleMs);
  }
  if (read.state == ClipboardState::Busy) return "ac";
  if (read.state == ClipboardState::NoText) return "a";
  std::string text = std::move(read.text);
  if (text.size() > 9995) text.resize(9995);
  dropFinalLineBreak(text);
  return text;
}

char getClipboard(Interpreter& in, int, Arguments, std::string& result) {
  Platform* platform = desktopOf(in, "GetClipboard");
  if (platform == nullptr) return 'C';
  result = readClipboard(*platform);
  in.reportStep("GetClipboard(), text from clipboard:", result);
  return 'C';
}

char setClipboard(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "SetClipboard");
  if (platform == nullptr) return 'C';
  std::string text = in.textArgument(args[0]);
  in.reportStep("SetClipboard(), text to copy into clipboard:", text);
  platform->clipboard->setText(text);
  return 'C';
}

bool isAbsolutePath(std::string_view path) {
  if (path.starts_with('/') || path.starts_with("\\\\")) return true;
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// A command that starts with an absolute program path runs in the program's
// folder. The program is the first word (quotes group), so that a dotted
// argument such as /tmp/a.txt never chooses the folder.
std::string workingFolder(std::string_view command) {
  std::string_view program = command;
  if (!command.empty() && (command.front() == '"' || command.front() == '\'')) {
    std::size_t close = command.find(command.front(), 1);
    program = command.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
  } else {
    program = command.substr(0, command.find_first_of(" \t"));
  }
  if (!isAbsolutePath(program)) return {};
  std::size_t slash = program.find_last_of("/\\");
  if (slash == 0) return "/";
  return std::string(program.substr(0, slash));
}

// The shell starts even when the command does not exist; it says so with
// status 127 (not found) or 126 (not executable).
Outcome startStatus(const CommandResult& result) {
  if (!result.status) return result.status;
  if (result.exitCode == 127) return Outcome::failure(std::strerror(ENOENT), ENOENT);
  if (result.exitCode == 126) return Outcome::failure(std::strerror(EACCES), EACCES);
  return Outcome::success();
}

char systemCmd(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "SystemCmd");
  if (platform == nullptr) return 'C';
  std::string command;
  if (!limitedText(in, args[0], "SystemCmd", command, kCommandLimit)) return 'C';
  const bool noWait = command.size() > 1 && command.back() == '&';
  if (noWait) command.pop_back();
  in.reportStep("SystemCmd() will run Windows command '" + command + "'",
                noWait ? "and will not wait the end of the command (because '&' ends it)."
                       : "and will wait the end of the command (because '&' do not end it).");
  Document& doc = in.document();
  Outcome status = startStatus(
      platform->processes->runShell(utf8FromCp1252(command), utf8FromCp1252(workingFolder(command)), !noWait));
  if (status) return 'C';
  doc.requestStop();
  doc.ui().bringMainWindowToFront();
  doc.ui().showMessage("CreateProcess failed (" + std::to_string(status.code) + ")\n");
  doc.ui().showMessage(status.message.empty() ? "FormatMessage Error" : cp1252FromUtf8(status.message), "Error");
  return 'C';
}

char systemOpen(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "SystemOpen");
  if (platform == nullptr) return 'C';
  std::string name = in.textArgument(args[0]);
  in.reportStep("SystemOpen() will open '" + name + "'.", "");
  platform->shell->open(utf8FromCp1252(name));
  return 'C';
}

std::string_view netSendFailure(int code) {
  switch (code) {
    case kMessageNoRights: return "The user has no rights";
    case kMessageInvalidParameter: return "A parameter is invalid";
    case kMessageNotSupported: return "Not supported";
    case kMessageNameNotFound: return "Name not found...";
    case kMessageNetworkError: return "Network error...";
    default: return "Unknown error...";
  }
}

char netSend(Interpreter& in, int, Arguments args, std::string&) {
  Platform* platform = desktopOf(in, "NetSend");
  if (platform == nullptr) return 'C';
  std::string message;
  std::string to;
  if (!limitedText(in, args[0], "NetSend", message, kNetSendLimit)) return 'C';
  if (!limitedText(in, args[1], "NetSend", to, kNetSendLimit)) return 'C';
  in.reportStep("NetSend(), will send '" + message + "' to '" + to + "'.", "");
  Outcome status = platform->user->sendMessage("QLM", to, message);
  if (status) return 'C';
  UiService& ui = in.document().ui();
  ui.showMessage("NetSend Error", "Error");
  ui.showMessage(netSendFailure(status.code), "Message");
  return 'C';
}

constexpr BuiltinBinding kBindings[] = {
    {"IfWindow", ifWindow},         {"IfProcess", ifProcess},       {"Wait", wait},
    {"WaitInactive", waitInactive}, {"MsgBox", msgBox},             {"Ask", ask},
    {"Ask3", ask3},                 {"SetTitle", setTitle},         {"Say", say},
    {"Beep", beep},                 {"GetClipboard", getClipboard}, {"SetClipboard", setClipboard},
    {"SystemCmd", systemCmd},       {"SystemOpen", systemOpen},     {"NetSend", netSend},
};

}  // namespace

std::span<const BuiltinBinding> desktopFunctions() { return kBindings; }

}  // namespace qlm
