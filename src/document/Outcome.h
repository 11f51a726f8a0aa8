#pragma once
// A value or the message that says why there is none.
#include <optional>
#include <string>
#include <utility>

#include "platform/Status.h"

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


}  // namespace qlm
