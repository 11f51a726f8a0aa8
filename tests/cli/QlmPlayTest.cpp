#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "../document/TempFolder.h"
#include "QlmRunner.h"

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
  // It is made for the desktop, which has no window of its own here.
  EXPECT_EQ(run.out, "window \"Editor\" (Edit)\n  typed: \"firstHello Ada\n\"\n  click: button 2 at 100,15\n");
  EXPECT_NE(run.err.find("played to the end (3 records)"), std::string::npos) << run.err;
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

TEST_F(QlmPlay, TraceEventsArePrintedOneALineAndTheTraceWrittenWithItsPath) {
  std::string trace = (m_dir / "run.csv").string();
  append("Trace(1,\"\",\"" + trace + "\"); $N=2; $N*3; \"x;y\"");
  auto run = runQlm({"play", doc(), "--sim", "--trace-events"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("trace 2 line 1.2: Value of variable $N change: From \"\" to 2\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("trace 3 line 1.3: \"6\"\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("trace written to " + trace), std::string::npos) << run.err;
  // The output cell, quoted.
  EXPECT_NE(testing::readFile(trace).find("\"\"\"x;y\"\"\""), std::string::npos) << testing::readFile(trace);
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
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(parent) + "/task", error)) {
    std::istringstream ids(testing::readFile(task.path() / "children"));
    for (pid_t child; ids >> child;) {
      const std::string name = testing::readFile("/proc/" + std::to_string(child) + "/comm");
      children.emplace_back(child, name.substr(0, name.find('\n')));
    }
  }
  return children;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class SignalToPlay : public QlmPlay, public ::testing::WithParamInterface<int> {};

// Every signal that ends qlm play ends the virtual desktop it started.
TEST_P(SignalToPlay, EndsItsPrivateDesktopToo) {
  using namespace std::chrono_literals;
  append("Wait(60000)", "-");
  // Orphans come to this process, which can then tell whether they ended.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const std::string errPath = (m_dir / "err.txt").string();
  const pid_t qlm = testing::startProgram({"env", "-u", "DISPLAY", QLM_BINARY, "play", doc()}, "/dev/null", errPath);
  ASSERT_GT(qlm, 0);
  std::string err;
  const bool waiting = waitUntil([&] { return (err = testing::readFile(errPath)).find("[Wait ") != std::string::npos; }, 60s);
  const auto desktop = childrenOf(qlm);
  kill(qlm, GetParam());
  waitpid(qlm, nullptr, 0);
  ASSERT_TRUE(waiting) << err;
  ASSERT_TRUE(std::any_of(desktop.begin(), desktop.end(), [](const auto& child) { return child.second == "Xvfb"; }));
  for (const auto& [pid, name] : desktop) {
    const bool ended = waitUntil([&, pid = pid] { return waitpid(pid, nullptr, WNOHANG) == pid; }, 10s);
    EXPECT_TRUE(ended) << name;
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalToPlay, ::testing::Values(SIGTERM, SIGINT, SIGKILL));

TEST_F(QlmPlay, UsageAndUnreadableFilesExitWithTwo) {
  const std::vector<std::vector<std::string>> commands = {
      {"nonsense"}, {"eval"}, {"eval", "1", "$A"}, {"eval", "1", "stray"}, {"play"}, {"play", doc(), "--bogus"},
      {"play", doc(), "stray", "--sim"}, {"play", (m_dir / "missing.qlm").string(), "--sim"},
      {"play", file("bad.qlm", "not a document"), "--sim"}};
  for (const auto& command : commands) EXPECT_EQ(runQlm(command).status, 2) << command.back();
}

}  // namespace
}  // namespace qlm
