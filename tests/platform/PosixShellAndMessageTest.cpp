#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../document/TempFolder.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

// No shell stands between the command line and the program: who wants one writes it.
TEST(ShellCommand, AShellWrittenOutRedirectsInTheWorkingFolder) {
  testing::TempFolder folder;
  std::unique_ptr<Processes> processes = makePosixProcesses();
  CommandResult result = processes->run(R"(sh -c 'printf "%s|" "a b" c > out.txt; exit 3')", folder.path().string(), true);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  EXPECT_EQ(result.exitCode, 3);
  std::ifstream out(folder.file("out.txt"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(out), {}), "a b|c|");
  CommandResult noWait = processes->run("true", folder.path().string(), false);
  EXPECT_TRUE(noWait.status.ok);
  EXPECT_FALSE(noWait.exitCode.has_value());
  const std::pair<const char*, const char*> failures[] = {
      {"  ", ""}, {"echo 'unclosed", ""}, {"/nonexistent/tool", ""}, {"true", "/nonexistent-folder"}};
  for (auto [command, where] : failures) {
    SCOPED_TRACE(command);
    CommandResult failed = processes->run(command, where, true);
    EXPECT_FALSE(failed.status.ok);
    EXPECT_NE(failed.status.code, 0);
  }
  EXPECT_FALSE(processes->runningExecutables().empty());
}
// A pseudo-terminal stands for the user's terminal: what is written to its
// slave side is read from the master side.
class TerminalMessage : public ::testing::Test {
protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    slavePath = ptsname(master);
    ASSERT_TRUE(slavePath.starts_with("/dev/"));
    line = slavePath.substr(5);
    ASSERT_EQ(chmod(slavePath.c_str(), 0620), 0);
  }
  void TearDown() override {
    if (master >= 0) close(master);
  }

  std::string received() {
    std::string text;
    pollfd fd{master, POLLIN, 0};
    char buffer[4096];
    for (ssize_t n = 0; poll(&fd, 1, 100) > 0 && (n = ::read(master, buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

  Outcome send(std::string_view to, std::string_view message) {
    std::vector<TerminalSession> sessions{{"someone", line}, {"bob", line}};
    return writeToTerminals(sessions, "QLM", to, message);
  }

  int master = -1;
  std::string slavePath;
  std::string line;
};

TEST_F(TerminalMessage, ReachesOnlyTheNamedUsersTerminalFramedAsWriteDoesWithoutControlCharacters) {
  ASSERT_TRUE(send("bob", "Backup done a\x1b]0;pwned\x07z \xE9").ok);
  std::string text = received();
  EXPECT_NE(text.find("Message from QLM@"), std::string::npos) << text;
  EXPECT_NE(text.find("Backup done a^[]0;pwned^Gz \xC3\xA9"), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_NE(text.find("EOF"), std::string::npos);
  // Other names, and lines outside /dev, are not found; a terminal that refuses messages means no rights.
  EXPECT_EQ(send("alice", "hi").code, kMessageNameNotFound);
  EXPECT_EQ(send("bob@host", "hi").code, kMessageNameNotFound);
  EXPECT_EQ(send("\\\\PC-OFFICE", "hi").code, kMessageNameNotFound);
  EXPECT_EQ(send("", "hi").code, kMessageInvalidParameter);
  std::vector<TerminalSession> sessions{{"bob", "../tmp/x"}, {"bob", "/etc/passwd"}};
  EXPECT_EQ(writeToTerminals(sessions, "QLM", "bob", "hi").code, kMessageNameNotFound);
  ASSERT_EQ(chmod(slavePath.c_str(), 0600), 0);
  EXPECT_EQ(std::pair(send("bob", "hi").ok, send("bob", "hi").code), std::pair(false, kMessageNoRights));
}
}  // namespace
}  // namespace qlm
