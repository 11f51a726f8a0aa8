#pragma once
// Our probe client on a benchmark's desktop: a window that logs what it
// receives, one line at a time, through a pipe; a controlled one shows its
// pattern when told to through a second pipe.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class ProbeWindow {
 public:
  ProbeWindow(const std::string& display, const std::string& title, int count)
      : ProbeWindow(display, title, {"--count", std::to_string(count)}, false) {}

  ProbeWindow(const std::string& display, const std::string& title, std::vector<std::string> extra, bool controlled) {
    m_fifo = std::filesystem::temp_directory_path() / ("qlm-bench-" + std::to_string(getpid()));
    mkfifo(m_fifo.c_str(), 0600);
    if (controlled) {
      m_controlFifo = m_fifo.string() + "-control";
      mkfifo(m_controlFifo.c_str(), 0600);
      extra.insert(extra.end(), {"--control", m_controlFifo.string()});
    }
    std::string env = "DISPLAY=" + display;
    std::vector<std::string> args{QLM_PROBE_CLIENT, "--title", title, "--log", m_fifo.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* envp[] = {env.data(), nullptr};
    posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), envp);
    m_lines = std::fopen(m_fifo.c_str(), "r");
    // The client opens the control pipe after the log, so in this order neither waits forever.
    if (controlled) m_control = open(m_controlFifo.c_str(), O_WRONLY);
    m_ready = nextLine();
  }
  ~ProbeWindow() {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    if (m_lines) std::fclose(m_lines);
    if (m_control >= 0) close(m_control);
    std::filesystem::remove(m_fifo);
    if (!m_controlFifo.empty()) std::filesystem::remove(m_controlFifo);
  }
  ProbeWindow(const ProbeWindow&) = delete;
  ProbeWindow& operator=(const ProbeWindow&) = delete;

  // "ready <x> <y>": where the client's window lies on the screen.
  const std::string& readyLine() const { return m_ready; }

  bool send(const std::string& line) {
    const std::string text = line + "\n";
    return m_control >= 0 && write(m_control, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }

  std::string nextLine() {
    char buffer[256] = {};
    if (m_lines == nullptr || std::fgets(buffer, sizeof(buffer), m_lines) == nullptr) return {};
    return buffer;
  }

 private:
  std::filesystem::path m_fifo;
  std::filesystem::path m_controlFifo;
  int m_control = -1;
  std::string m_ready;
  pid_t m_pid = 0;
  FILE* m_lines = nullptr;
};
