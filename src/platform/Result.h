#pragma once
// A value, or the failure that says why there is none: the one error
// convention of the code, with Outcome for operations that return no value.
#include <optional>
#include <string>
#include <utility>

#include "platform/Outcome.h"

namespace qlm {

template <typename T>
class Result {
 public:
  Result(T value) : m_value(std::move(value)) {}  // NOLINT: implicit on purpose
  static Result failure(std::string message) {
    Result outcome;
    outcome.m_error = std::move(message);
    return outcome;
  }
  static Result failure(const Outcome& failed) { return failure(failed.message); }

  explicit operator bool() const { return m_value.has_value(); }
  T& operator*() { return *m_value; }
  const T& operator*() const { return *m_value; }
  T* operator->() { return &*m_value; }
  const T* operator->() const { return &*m_value; }
  const std::string& error() const { return m_error; }
  Outcome outcome() const { return m_value ? Outcome::success() : Outcome::failure(m_error); }

 private:
  Result() = default;
  std::optional<T> m_value;
  std::string m_error;
};


}  // namespace qlm
