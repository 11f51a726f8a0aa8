#pragma once
// Runs the qlm program with arguments and collects its exit status and output.
// A run that blocks is ended after 20 seconds and fails.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qlm::testing {

struct QlmRun {
  int status = -1;
  std::string out;
  std::string err;
};

QlmRun runQlm(const std::vector<std::string>& args);

// Starts `argv` with its output and errors written to the two files; -1 when it cannot start.
pid_t startProgram(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath);

std::string readFile(const std::filesystem::path& path);

}  // namespace qlm::testing
