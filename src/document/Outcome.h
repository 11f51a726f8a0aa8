#pragma once
// A value or the message that says why there is none.
#include <optional>
#include <string>
#include <utility>

namespace qlm {

template <typename T>
class Outcome {
 public:
  Outcome(T value) : m_value(std::move(value)) {}  // NOLINT: implicit on purpose
  static Outcome failure(std::string message) {
    Outcome outcome;
    outcome.m_error = std::move(message);
    return outcome;
  }

  explicit operator bool() const { return m_value.has_value(); }
  T& operator*() { return *m_value; }
  const T& operator*() const { return *m_value; }
  T* operator->() { return &*m_value; }
  const T* operator->() const { return &*m_value; }
  const std::string& error() const { return m_error; }

 private:
  Outcome() = default;
  std::optional<T> m_value;
  std::string m_error;
};

// Success, or failure with a message for the user.
struct Status {
  bool ok = true;
  std::string message;
  static Status success() { return {}; }
  static Status failure(std::string message) { return {false, std::move(message)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace qlm
