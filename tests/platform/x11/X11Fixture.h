#pragma once
// One virtual desktop for the whole test program, and helpers to run real
// clients on it.
#include <fcntl.h>
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
#include <sstream>
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

// `arguments` started on `display` with a small environment (and the sanitizers' options); 0 when it failed.
inline pid_t spawnOn(std::vector<std::string> arguments, const std::string& display,
                     const posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<std::string> environment{"DISPLAY=" + display, "LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin",
                                       "HOME=" + std::filesystem::temp_directory_path().string()};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
  }
  std::vector<char*> argv, envp;
  for (auto& a : arguments) argv.push_back(a.data());
  for (auto& e : environment) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) == 0 ? pid : 0;
}

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  for (auto deadline = std::chrono::steady_clock::now() + limit; !condition();) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A client started on the virtual desktop; stopped and reaped when it goes away.
class Client {
 public:
  Client(std::vector<std::string> arguments, const std::string& display)
      : m_pid(spawnOn(std::move(arguments), display)) {}
  ~Client() {
    if (m_pid <= 0 || m_exitStatus) return;
    kill(m_pid, SIGCONT);
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  int pid() const { return m_pid; }
  // The exit status once the client ended by itself within `limit`.
  std::optional<int> waitForExit(std::chrono::milliseconds limit) {
    waitFor([&] {
      int status = 0;
      if (!m_exitStatus && waitpid(m_pid, &status, WNOHANG) == m_pid) m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return m_exitStatus.has_value();
    }, limit);
    return m_exitStatus;
  }

 private:
  pid_t m_pid = 0;
  std::optional<int> m_exitStatus;
};

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline std::filesystem::path scratchFile(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("qlm-x11-" + std::to_string(getpid()) + "-" + name);
}

// The program `arguments[0]` run on `display` to its end: its exit status and what it wrote to stderr.
struct ProgramRun {
  int status = -1;
  std::string err;
};

inline ProgramRun runProgram(std::vector<std::string> arguments, const std::string& display) {
  const std::filesystem::path errors = scratchFile("program.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ProgramRun run;
  if (pid_t pid = spawnOn(std::move(arguments), display, &actions); pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.err = readFile(errors);
  std::filesystem::remove(errors);
  return run;
}

// A case on the shared desktop, starting real clients there.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedDesktop::platform());
    platform = SharedDesktop::platform().get();
    display = SharedDesktop::desktop()->display();
  }

  std::unique_ptr<Client> start(std::vector<std::string> arguments) {
    return std::make_unique<Client>(std::move(arguments), display);
  }

  WindowId waitForWindow(std::optional<std::string> className, const std::string& title) {
    WindowId found = kNoWindow;
    // The first terminal of a run loads its fonts for a while.
    waitFor([&] { return (found = platform->windows->findWindow(className, title)) != kNoWindow; }, std::chrono::seconds(20));
    return found;
  }

  // Our probe client, once its window is shown; its log starts with "ready x y",
  // where its window lies on the screen (`origin`).
  struct Probe {
    std::unique_ptr<Client> client;
    std::filesystem::path log;
    WindowId window = kNoWindow;
    Point origin;
  };
  Probe startProbe(const std::string& title, std::vector<std::string> extra = {}) {
    Probe probe;
    probe.log = scratchFile(title + ".log");
    std::filesystem::remove(probe.log);
    std::vector<std::string> arguments{QLM_PROBE_CLIENT, "--title", title, "--log", probe.log.string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    probe.client = start(arguments);
    probe.window = waitForWindow(std::nullopt, title);
    EXPECT_NE(probe.window, kNoWindow) << title;
    EXPECT_TRUE(waitFor([&] { return readFile(probe.log).starts_with("ready "); })) << title;
    std::istringstream ready(readFile(probe.log));
    ready >> extra.emplace_back() >> probe.origin.x >> probe.origin.y;
    return probe;
  }

  Platform* platform = nullptr;
  std::string display;
};

}  // namespace qlm::testing
