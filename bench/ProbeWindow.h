#pragma once
// Our probe client on a benchmark's desktop: a window that logs what it
// receives, one line at a time, through a pipe.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class ProbeWindow {
 public:
  ProbeWindow(const std::string& display, const std::string& title, int count) {
    m_fifo = std::filesystem::temp_directory_path() / ("qlm-bench-" + std::to_string(getpid()));
    mkfifo(m_fifo.c_str(), 0600);
    std::string env = "DISPLAY=" + display;
    std::vector<std::string> args{QLM_PROBE_CLIENT, "--title", title, "--count", std::to_string(count),
                                  "--log", m_fifo.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char* envp[] = {env.data(), nullptr};
    posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), envp);
    m_lines = std::fopen(m_fifo.c_str(), "r");
    nextLine();  // ready
  }
  ~ProbeWindow() {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    if (m_lines) std::fclose(m_lines);
    std::filesystem::remove(m_fifo);
  }
  ProbeWindow(const ProbeWindow&) = delete;
  ProbeWindow& operator=(const ProbeWindow&) = delete;

  std::string nextLine() {
    char buffer[256] = {};
    if (m_lines == nullptr || std::fgets(buffer, sizeof(buffer), m_lines) == nullptr) return {};
    return buffer;
  }

 private:
  std::filesystem::path m_fifo;
  pid_t m_pid = 0;
  FILE* m_lines = nullptr;
};
