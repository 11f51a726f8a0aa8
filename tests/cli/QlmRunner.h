#pragma once
// Runs the qlm program with arguments and collects its exit status and output.
// A run that blocks is ended after 20 seconds and fails.
#include <string>
#include <vector>

namespace qlm::testing {

struct QlmRun {
  int status = -1;
  std::string out;
  std::string err;
};

QlmRun runQlm(const std::vector<std::string>& args);

}  // namespace qlm::testing
