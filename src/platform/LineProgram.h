#pragma once
// A helper program that answers one line of text with one line, over its
// standard input and output, for as long as its owner keeps it.
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

class LineProgram {
 public:
  virtual ~LineProgram() = default;
  // Sends `line` (without its line break) and returns the answer without its
  // line break; nothing when the program ended or gave no answer within `timeoutMs`.
  virtual std::optional<std::string> ask(std::string_view line, int timeoutMs) = 0;
};

}  // namespace qlm
