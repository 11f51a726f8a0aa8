#include "QlmRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace qlm::testing {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

pid_t startProgram(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath) {
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

QlmRun runQlm(const std::vector<std::string>& args) {
  static int runs = 0;
  const std::string outName = "/tmp/qlm-run-" + std::to_string(getpid()) + "-" + std::to_string(++runs);
  const std::string errName = outName + ".err";
  std::vector<std::string> argv = {"timeout", "20", QLM_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  QlmRun run;
  if (pid_t pid = startProgram(argv, outName, errName); pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  run.out = readFile(outName);
  run.err = readFile(errName);
  unlink(outName.c_str());
  unlink(errName.c_str());
  return run;
}

}  // namespace qlm::testing
