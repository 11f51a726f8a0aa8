#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <vector>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/posix/PosixParts.h"

extern char** environ;

namespace qlm {
namespace {

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

std::optional<int> waitForExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return std::nullopt;
}

// Reaps the commands started without waiting, so that no zombie is left
// behind: one thread for all of them, alive while any is running. Only the
// listed children are waited for; others have waiters of their own.
class Reaper {
 public:
  static Reaper& instance() {
    static Reaper* reaper = new Reaper();  // outlives the exit of the program's other statics
    return *reaper;
  }

  void adopt(pid_t pid) {
    std::lock_guard lock(m_mutex);
    m_children.push_back(pid);
    if (m_running) return;
    m_running = true;
    std::thread([this] { run(); }).detach();
  }

 private:
  void run() {
    for (;;) {
      {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_children, [](pid_t pid) {
          int status = 0;
          pid_t result = waitpid(pid, &status, WNOHANG);
          return result == pid || (result < 0 && errno != EINTR);
        });
        if (m_children.empty()) {
          m_running = false;
          return;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  std::mutex m_mutex;
  std::vector<pid_t> m_children;  // guarded by m_mutex
  bool m_running = false;         // guarded by m_mutex
};

std::string fileNameOf(std::string_view path) {
  auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string firstLine(const std::filesystem::path& path, char separator) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (in) std::getline(in, line, separator);
  return line;
}

CommandResult spawn(std::vector<std::string> words, std::string_view folder, bool wait) {
  if (words.empty()) return {Outcome::failure("The command is empty.", ENOENT), std::nullopt};
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  SpawnActions actions;
  std::string directory(folder);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions.actions, directory.c_str());
  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], &actions.actions, nullptr, argv.data(), environ);
  if (error != 0) {
    return {Outcome::failure(std::string(std::strerror(error)), error), std::nullopt};
  }
  if (!wait) {
    Reaper::instance().adopt(pid);
    return {Outcome::success(), std::nullopt};
  }
  return {Outcome::success(), waitForExit(pid)};
}

class PosixProcesses final : public Processes {
public:
  std::vector<std::string> runningExecutables() override { return listProcessExecutables(); }

  CommandResult run(std::string_view commandLine, std::string_view folder, bool wait) override {
    return spawn(splitCommandLine(commandLine), folder, wait);
  }

  CommandResult runShell(std::string_view commandLine, std::string_view folder, bool wait) override {
    if (commandLine.find_first_not_of(" \t") == std::string_view::npos) {
      return {Outcome::failure("The command is empty.", ENOENT), std::nullopt};
    }
    return spawn({"/bin/sh", "-c", std::string(commandLine)}, folder, wait);
  }
};

class PosixShell final : public Shell {
public:
  Outcome open(std::string_view target) override {
    if (target.empty()) return Outcome::failure("Nothing to open.", ENOENT);
    std::string opener = "xdg-open";
    std::string argument(target);
    char* argv[] = {opener.data(), argument.data(), nullptr};
    pid_t pid = 0;
    int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ);
    if (error != 0) return Outcome::failure("Cannot start xdg-open: " + std::string(std::strerror(error)), error);
    Reaper::instance().adopt(pid);
    return Outcome::success();
  }
};

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    char c = commandLine[i];
    if (c == '\\' && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
      word += '"';
      inWord = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> listProcessExecutables(const std::filesystem::path& procRoot) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(procRoot, error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code linkError;
    auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
    std::string name;
    if (!linkError) {
      name = fileNameOf(exe.string());
      // A replaced executable reads "name (deleted)".
      if (auto mark = name.find(" (deleted)"); mark != std::string::npos) name.erase(mark);
    } else if (auto argv0 = firstLine(entry.path() / "cmdline", '\0'); !argv0.empty()) {
      name = fileNameOf(argv0);
    } else {
      name = firstLine(entry.path() / "comm", '\n');
    }
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::unique_ptr<Processes> makePosixProcesses() { return std::make_unique<PosixProcesses>(); }
std::unique_ptr<Shell> makePosixShell() { return std::make_unique<PosixShell>(); }

}  // namespace qlm
