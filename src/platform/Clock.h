#pragma once
// Time as playback sees it. The simulated desktop runs on virtual time, so
// that waits cost nothing in tests.
#include <chrono>
#include <cstdint>
#include <functional>

namespace qlm {

struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
  virtual ~Clock() = default;
  // Milliseconds on a steady clock.
  virtual std::int64_t nowMs() = 0;
  virtual LocalTime localTime() = 0;
  // Sleeps `ms`, calling `pump` between slices of at most `kSliceMs` so that
  // the caller's messages keep flowing.
  virtual void sleep(std::int64_t ms, const std::function<void()>& pump = {}) = 0;

  static constexpr std::int64_t kSliceMs = 50;
};

}  // namespace qlm
