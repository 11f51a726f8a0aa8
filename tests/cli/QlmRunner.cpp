#include "QlmRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace qlm::testing {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

QlmRun runQlm(const std::vector<std::string>& args) {
  char outName[] = "/tmp/qlm-out-XXXXXX";
  char errName[] = "/tmp/qlm-err-XXXXXX";
  int outFd = mkstemp(outName);
  int errFd = mkstemp(errName);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  // A run that blocks is ended after a while and fails.
  std::vector<std::string> argv = {"timeout", "20", QLM_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  QlmRun run;
  pid_t pid = 0;
  if (posix_spawnp(&pid, "timeout", &actions, nullptr, pointers.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(outFd);
  close(errFd);
  run.out = slurp(outName);
  run.err = slurp(errName);
  unlink(outName);
  unlink(errName);
  return run;
}

}  // namespace qlm::testing
