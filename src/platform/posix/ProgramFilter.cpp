#include "platform/posix/ProgramFilter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace qlm {
namespace {

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return m_fd; }
  void reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }

 private:
  int m_fd = -1;
};

bool makePipe(Descriptor& readEnd, Descriptor& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.reset(fds[0]);
  writeEnd.reset(fds[1]);
  return true;
}

FilterRun failed(std::string message, int code) {
  FilterRun run;
  run.status = Outcome::failure(std::move(message), code);
  return run;
}

}  // namespace

FilterRun runFilter(const std::vector<std::string>& words, std::string_view input, int timeoutMs,
                    std::size_t maxOutput) {
  if (words.empty()) return failed("no program to run", EINVAL);
  Descriptor inRead, inWrite, outRead, outWrite;
  // The input goes through a socket so that a program that exits without reading
  // all of it gives EPIPE on send, never a SIGPIPE that would end the caller.
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return failed(std::strerror(errno), errno);
  inRead.reset(sockets[0]);
  inWrite.reset(sockets[1]);
  if (!makePipe(outRead, outWrite)) return failed(std::strerror(errno), errno);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inRead.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return failed(words.front() + ": " + std::strerror(error), error);
  inRead.reset();
  outWrite.reset();
  ::shutdown(inWrite.get(), SHUT_RD);

  FilterRun run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t written = 0;
  if (input.empty()) inWrite.reset();
  char buffer[16384];
  while (outRead.get() >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      run.timedOut = true;
      break;
    }
    pollfd fds[2] = {{outRead.get(), POLLIN, 0}, {inWrite.get(), POLLOUT, 0}};
    const int count = inWrite.get() >= 0 ? 2 : 1;
    const int ready = ::poll(fds, count, static_cast<int>(left.count()) + 1);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (count == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t n =
          ::send(inWrite.get(), input.data() + written, input.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) written += static_cast<std::size_t>(n);
      // A program that stops reading early (EPIPE) has said what it will say.
      if (n < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
      if (written == input.size()) {
        ::shutdown(inWrite.get(), SHUT_WR);
        inWrite.reset();
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t n = ::read(outRead.get(), buffer, sizeof buffer);
      if (n > 0) {
        const std::size_t room = maxOutput - std::min(maxOutput, run.output.size());
        run.output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        outRead.reset();
      }
    }
  }
  inWrite.reset();
  outRead.reset();
  if (run.timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!run.timedOut && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

}  // namespace qlm
