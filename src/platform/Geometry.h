#pragma once
#include <climits>
#include <cstdint>

namespace qlm {

// A top-level window of the desktop; 0 is no window.
using WindowId = std::uint64_t;
inline constexpr WindowId kNoWindow = 0;

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Where nothing was found.
inline constexpr Point kNoPoint{-1, -1};

// Edges as the window rectangles of the design: right and bottom lie just outside.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  // Saturates instead of overflowing, so that a huge size read from outside stays detectable.
  static Rect fromSize(int x, int y, int w, int h) { return {x, y, saturated(1LL * x + w), saturated(1LL * y + h)}; }
  friend bool operator==(const Rect&, const Rect&) = default;

 private:
  static int saturated(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }
};

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace qlm
