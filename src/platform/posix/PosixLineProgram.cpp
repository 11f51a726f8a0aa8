#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/posix/PosixParts.h"

extern char** environ;

namespace qlm {
namespace {

class PosixLineProgram final : public LineProgram {
 public:
  PosixLineProgram(pid_t pid, int socket) : m_pid(pid), m_socket(socket) {}
  ~PosixLineProgram() override {
    ::close(m_socket);
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
  }

  std::optional<std::string> ask(std::string_view line, int timeoutMs) override {
    std::string out(line);
    out += '\n';
    for (std::size_t sent = 0; sent < out.size();) {
      // MSG_NOSIGNAL: a helper that died must not end this program with SIGPIPE.
      ssize_t n = ::send(m_socket, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::nullopt;
      sent += static_cast<std::size_t>(n);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      std::size_t end = m_pending.find('\n');
      if (end != std::string::npos) {
        std::string answer = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        return answer;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd ready{m_socket, POLLIN, 0};
      int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
      if (polled < 0 && errno == EINTR) continue;
      if (polled <= 0) return std::nullopt;
      char buffer[4096];
      ssize_t n = ::read(m_socket, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::nullopt;
      m_pending.append(buffer, static_cast<std::size_t>(n));
    }
  }

 private:
  pid_t m_pid;
  int m_socket;
  std::string m_pending;
};

}  // namespace

std::unique_ptr<LineProgram> startLineProgram(const std::vector<std::string>& words, std::string& error) {
  if (words.empty()) {
    error = "no program";
    return nullptr;
  }
  // One connected pair serves as the helper's standard input and output.
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (spawned != 0) {
    error = std::strerror(spawned);
    ::close(ends[0]);
    return nullptr;
  }
  return std::make_unique<PosixLineProgram>(pid, ends[0]);
}

}  // namespace qlm
