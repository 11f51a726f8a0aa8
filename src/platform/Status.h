#pragma once
#include <string>
#include <utility>

namespace qlm {

// An expected failure of a platform call, with a message for the user.
struct Status {
  bool ok = true;
  int code = 0;  // system error code where one exists
  std::string message;

  static Status success() { return {}; }
  static Status failure(std::string text, int errorCode = 0) { return {false, errorCode, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace qlm
