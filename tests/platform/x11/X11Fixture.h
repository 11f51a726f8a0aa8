#pragma once
// One virtual desktop for the whole test program, and helpers to run real
// clients on it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/x11/VirtualDesktop.h"
#include "platform/x11/X11Platform.h"

namespace qlm::testing {

// The desktop and the platform on it, shared by all cases of the program.
struct SharedDesktop {
  static std::unique_ptr<VirtualDesktop>& desktop() {
    static std::unique_ptr<VirtualDesktop> instance;
    return instance;
  }
  static std::unique_ptr<Platform>& platform() {
    static std::unique_ptr<Platform> instance;
    return instance;
  }
};

// Starts the shared desktop before the first case and stops it after the last;
// each test program registers it once with ::testing::AddGlobalTestEnvironment.
class DesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string error;
    SharedDesktop::desktop() = VirtualDesktop::start({}, error);
    ASSERT_TRUE(SharedDesktop::desktop()) << error;
    auto result = createX11Platform(SharedDesktop::desktop()->display());
    ASSERT_TRUE(result.platform) << result.message;
    SharedDesktop::platform() = std::move(result.platform);
  }
  void TearDown() override {
    SharedDesktop::platform().reset();
    SharedDesktop::desktop().reset();
  }
};

// A client started on the virtual desktop; stopped and reaped when it goes away.
class Client {
public:
  Client(std::vector<std::string> arguments, const std::string& display) {
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment{"DISPLAY=" + display, "LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin",
                                         "HOME=" + std::filesystem::temp_directory_path().string()};
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawnp(&m_pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) m_pid = 0;
  }
  ~Client() {
    if (m_pid <= 0 || m_exitStatus) return;
    kill(m_pid, SIGCONT);
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  int pid() const { return m_pid; }
  void signal(int number) { kill(m_pid, number); }
  // The exit status once the client ended by itself within `limit`.
  std::optional<int> waitForExit(std::chrono::milliseconds limit);

private:
  pid_t m_pid = 0;
  std::optional<int> m_exitStatus;
};

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline std::optional<int> Client::waitForExit(std::chrono::milliseconds limit) {
  waitFor([&] {
    int status = 0;
    if (!m_exitStatus && waitpid(m_pid, &status, WNOHANG) == m_pid) m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_exitStatus.has_value();
  }, limit);
  return m_exitStatus;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline std::filesystem::path scratchFile(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("qlm-x11-" + std::to_string(getpid()) + "-" + name);
}

}  // namespace qlm::testing
