#pragma once
// Runs a program as a filter: the input on its standard input, its standard
// output read back, and a time limit after which it is killed, so that a
// hanging or crashing helper program cannot take its caller with it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Outcome.h"

namespace qlm {

struct FilterRun {
  Outcome status;                // failure: not started, or the pipes failed
  bool timedOut = false;         // killed at the time limit
  std::optional<int> exitCode;   // when it ended by itself
  std::string output;            // at most the limit given
};

// `words`: the program (searched on PATH), then its arguments. Its errors go nowhere.
FilterRun runFilter(const std::vector<std::string>& words, std::string_view input, int timeoutMs,
                    std::size_t maxOutput = 1 << 20);

}  // namespace qlm
