#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../document/TempFolder.h"
#include "QlmRunner.h"

extern "C" char** environ;

namespace qlm {
namespace {

using testing::runQlm;
namespace fs = std::filesystem;

class QlmPlay : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runQlm({"new", doc()}).status, 0); }

  void append(const std::string& text, const std::string& title = "Editor") {
    auto run = runQlm({"append", doc(), "--kind", "K", "--class", "Edit", "--title", title, "--text", text,
                       "--picture", std::string(QLM_SOURCE_DIR) + "/examples/target.bmp"});
    ASSERT_EQ(run.status, 0) << run.err;
  }
  std::string doc() const { return (m_dir / "doc.qlm").string(); }
  std::string file(const std::string& name, const std::string& text) const {
    std::ofstream((m_dir / name).string()) << text;
    return (m_dir / name).string();
  }

  testing::TempFolder m_temp;
  fs::path m_dir = m_temp.path();
};

TEST_F(QlmPlay, DryRunShowsWhatEachTargetWouldReceive) {
  append("\"first\"", "-");
  append("\"Hello \"&$WHO&\"V[RETURN]\"");
  append("\"V[LBUTTON]\"");
  auto run = runQlm({"play", doc(), "$WHO=Ada", "--sim"});
  EXPECT_EQ(run.status, 0) << run.err;
  // The first record acts on the whole screen: its keys reach the window that has the focus next.
  EXPECT_NE(run.out.find("window \"Editor\" (Edit)\n  typed: \"firstHello Ada\n\"\n  click: button 2"), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("played to the end (3 records)"), std::string::npos) << run.err;
  // The first record is made for the desktop, which has no window of its own here.
  EXPECT_EQ(run.out.find("Program Manager"), std::string::npos) << run.out;
}

struct SystemVariableCase {
  const char* item;
  int status;
  const char* typed;
  const char* message;
};

class SystemVariableOnTheCommandLine : public QlmPlay, public ::testing::WithParamInterface<SystemVariableCase> {};

// The command line is applied after playback has set its variables: the
// records are walked as the document holds them, whatever the item says.
TEST_P(SystemVariableOnTheCommandLine, NeverSteersPlaybackOutsideTheDocument) {
  append("$FIRST=1");  // the first record of a file is the desktop's
  append("\"a\"");
  append("\"b\"");
  auto run = runQlm({"play", doc(), GetParam().item, "--sim"});
  EXPECT_EQ(run.status, GetParam().status) << run.err;
  EXPECT_NE(run.out.find(std::string("typed: \"") + GetParam().typed + "\""), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Items, SystemVariableOnTheCommandLine,
    ::testing::Values(SystemVariableCase{"$QLM_LINE_NB=99", 0, "ab", "played to the end (3 records)"},
                      SystemVariableCase{"$QLM_LINE_NB=-1", 0, "ab", "played to the end (3 records)"},
                      SystemVariableCase{"$QLM_LINE=3", 0, "b", "played to the end (3 records)"},
                      SystemVariableCase{"$QLM_LINE=4294967297", 1, "", "Invalid line = 4294967297."},
                      SystemVariableCase{"$QLM_INST=4294967297", 1, "", "Invalid instruction = 4294967297."},
                      SystemVariableCase{"$QLM_INST=0", 1, "", "Invalid instruction = 0."},
                      SystemVariableCase{"$QLM_MAX_WAIT_WIN=-1", 0, "ab", "played to the end (3 records)"}));

TEST_F(QlmPlay, QuestionsComeFromTheAnswersFileAndNeverHang) {
  append("Ask(\"Go on?\",\"Yes\",\"yes\",\"No\",Stop())");
  append("\"after\"");
  auto stopped = runQlm({"play", doc(), "--sim", "--answers", file("no.txt", "Go on?=2\n")});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_NE(stopped.err.find("stopped at line 1, instruction 1"), std::string::npos) << stopped.err;
  auto unanswered = runQlm({"play", doc(), "--sim"});
  EXPECT_EQ(unanswered.status, 1);
  EXPECT_NE(unanswered.err.find("No answer to the question \"Go on?\""), std::string::npos) << unanswered.err;
  auto answered = runQlm({"play", doc(), "--sim", "--answers", file("yes.txt", "Go on?=1\n")});
  EXPECT_EQ(answered.status, 0) << answered.err;
  EXPECT_NE(answered.out.find("typed: \"yesafter\""), std::string::npos) << answered.out;
}

TEST_F(QlmPlay, TraceEventsArePrintedOneALine) {
  append("$N=2; $N*3");
  auto run = runQlm({"play", doc(), "--sim", "--trace-events"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("trace 2 line 1.1: Value of variable $N change: From \"\" to 2\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("trace 3 line 1.2: \"6\"\n"), std::string::npos) << run.err;
}

TEST_F(QlmPlay, TraceIsWrittenAndItsPathPrinted) {
  std::string trace = (m_dir / "run.csv").string();
  append("Trace(1,\"\",\"" + trace + "\"); \"x;y\"");
  auto run = runQlm({"play", doc(), "--sim"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("trace written to " + trace), std::string::npos) << run.err;
  std::ifstream in(trace);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"\"\"x;y\"\"\""), std::string::npos) << text;  // the output cell, quoted
}

// A document's texts reach the terminal with their control characters shown, never obeyed.
TEST_F(QlmPlay, ControlCharactersOfTheDocumentAreShownNotSentToTheTerminal) {
  append("$FIRST=1");
  append("\"x\"; MsgBox(\"\x1b[2J\")", "Ed\x1b]0;owned\x07it\x9d");
  const std::vector<std::vector<std::string>> commands = {
      {"list", doc()}, {"show", doc(), "2"}, {"play", doc(), "--sim", "--trace-events"}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0]);
    auto run = runQlm(command);
    const std::string shown = run.out + run.err;
    EXPECT_EQ(shown.find_first_of("\x1b\x07"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Ed^[]0;owned^Git?"), std::string::npos) << shown;
  }
  EXPECT_NE(runQlm({"play", doc(), "--sim"}).err.find("No answer to the question \"^[[2J\""), std::string::npos);
}

// The processes whose parent is `parent`, with their command names.
std::vector<std::pair<pid_t, std::string>> childrenOf(pid_t parent) {
  std::vector<std::pair<pid_t, std::string>> children;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string line;
    std::getline(in, line);
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 > line.size()) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) children.emplace_back(std::stoi(name), line.substr(open + 1, close - open - 1));
  }
  return children;
}

// qlm play without DISPLAY, its messages written to `errPath`.
pid_t startWithoutDisplay(const std::vector<std::string>& args, const std::string& errPath) {
  std::vector<std::string> argv = {QLM_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> arguments;
  for (std::string& arg : argv) arguments.push_back(arg.data());
  arguments.push_back(nullptr);
  std::vector<char*> environment;
  for (char** entry = ::environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "DISPLAY=", 8) != 0) environment.push_back(*entry);
  }
  environment.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (posix_spawn(&pid, QLM_BINARY, &actions, nullptr, arguments.data(), environment.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

class SignalToPlay : public QlmPlay, public ::testing::WithParamInterface<int> {};

// Every signal that ends qlm play ends the virtual desktop it started.
TEST_P(SignalToPlay, EndsItsPrivateDesktopToo) {
  using namespace std::chrono_literals;
  append("Wait(60000)", "-");
  // Orphans come to this process, which can then tell whether they ended.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const std::string errPath = (m_dir / "err.txt").string();
  const pid_t qlm = startWithoutDisplay({"play", doc()}, errPath);
  ASSERT_GT(qlm, 0);
  std::string err;
  for (auto deadline = std::chrono::steady_clock::now() + 60s;
       err.find("[Wait ") == std::string::npos && std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(20ms)) {
    std::ifstream in(errPath);
    err.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto desktop = childrenOf(qlm);
  kill(qlm, GetParam());
  waitpid(qlm, nullptr, 0);
  ASSERT_NE(err.find("[Wait "), std::string::npos) << err;
  ASSERT_TRUE(std::any_of(desktop.begin(), desktop.end(), [](const auto& child) { return child.second == "Xvfb"; }));
  for (const auto& [pid, name] : desktop) {
    SCOPED_TRACE(name);
    bool ended = false;
    for (auto deadline = std::chrono::steady_clock::now() + 10s; !ended && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(20ms)) {
      ended = waitpid(pid, nullptr, WNOHANG) == pid;
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(ended);
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalToPlay, ::testing::Values(SIGTERM, SIGINT, SIGKILL));

TEST_F(QlmPlay, UsageAndUnreadableFilesExitWithTwo) {
  EXPECT_EQ(runQlm({"play"}).status, 2);
  EXPECT_EQ(runQlm({"play", doc(), "--bogus"}).status, 2);
  EXPECT_EQ(runQlm({"play", doc(), "stray", "--sim"}).status, 2);
  EXPECT_EQ(runQlm({"play", (m_dir / "missing.qlm").string(), "--sim"}).status, 2);
  EXPECT_EQ(runQlm({"play", file("bad.qlm", "not a document"), "--sim"}).status, 2);
}

}  // namespace
}  // namespace qlm
