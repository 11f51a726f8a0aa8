#include "imaging/PictureMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qlm {
namespace {

constexpr int kCrossReach = 10;

void plot(Picture& picture, int x, int y, Rgb colour) {
  if (picture.bitsPerPixel != 32 || x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
  std::uint8_t* pixel = picture.rowFromTop(y) + 4 * static_cast<std::size_t>(x);
  pixel[0] = colour.blue;
  pixel[1] = colour.green;
  pixel[2] = colour.red;
}

// Record fields come from files: far-away points are brought near first, so
// that no sum overflows and no line walks millions of pixels outside the picture.
constexpr int kFar = 1 << 20;

int near(int v) { return std::clamp(v, -kFar, kFar); }
int nearLast(int after) { return static_cast<int>(std::clamp<long long>(after - 1LL, -kFar, kFar)); }

// Liang-Barsky on the picture grown by one pixel; false when nothing is inside.
bool clipToPicture(const Picture& picture, Point& from, Point& to) {
  const double x0 = from.x, y0 = from.y, dx = to.x - from.x, dy = to.y - from.y;
  double enter = 0.0, leave = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 + 1, picture.width - x0, y0 + 1, picture.height - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0) {
      enter = std::max(enter, r);
    } else {
      leave = std::min(leave, r);
    }
  }
  if (enter > leave) return false;
  const Point a{static_cast<int>(std::lround(x0 + enter * dx)), static_cast<int>(std::lround(y0 + enter * dy))};
  const Point b{static_cast<int>(std::lround(x0 + leave * dx)), static_cast<int>(std::lround(y0 + leave * dy))};
  // A cut end lies on the grown border, outside the picture, so leaving it
  // out as every end loses no pixel.
  from = a;
  if (leave < 1.0) to = b;
  return true;
}

}  // namespace

void drawLine(Picture& picture, Point from, Point to, Rgb colour, PenStyle pen) {
  from = {near(from.x), near(from.y)};
  to = {near(to.x), near(to.y)};
  const bool inside = from.x >= -1 && from.y >= -1 && from.x <= picture.width && from.y <= picture.height &&
                      to.x >= -1 && to.y >= -1 && to.x <= picture.width && to.y <= picture.height;
  if (!inside && !clipToPicture(picture, from, to)) return;
  const int dx = std::abs(to.x - from.x);
  const int dy = -std::abs(to.y - from.y);
  const int stepX = from.x < to.x ? 1 : -1;
  const int stepY = from.y < to.y ? 1 : -1;
  int error = dx + dy;
  Point at = from;
  for (int k = 0; at != to; ++k) {
    if (pen == PenStyle::Solid || k % 2 == 0) plot(picture, at.x, at.y, colour);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      at.x += stepX;
    }
    if (twice <= dx) {
      error += dx;
      at.y += stepY;
    }
  }
}

void drawFrame(Picture& picture, const Rect& area, Rgb colour, PenStyle pen) {
  const int right = nearLast(area.right);
  const int bottom = nearLast(area.bottom);
  const Point topLeft{near(area.left), near(area.top)};
  const Point topRight{right, near(area.top)};
  const Point bottomRight{right, bottom};
  const Point bottomLeft{near(area.left), bottom};
  if (topLeft == bottomRight) {
    plot(picture, topLeft.x, topLeft.y, colour);
    return;
  }
  drawLine(picture, topLeft, topRight, colour, pen);
  drawLine(picture, topRight, bottomRight, colour, pen);
  drawLine(picture, bottomRight, bottomLeft, colour, pen);
  drawLine(picture, bottomLeft, topLeft, colour, pen);
}

void drawCross(Picture& picture, Point centre, Rgb colour) {
  centre = {near(centre.x), near(centre.y)};
  drawLine(picture, {centre.x - kCrossReach, centre.y}, {centre.x + kCrossReach, centre.y}, colour, PenStyle::Solid);
  drawLine(picture, {centre.x, centre.y - kCrossReach}, {centre.x, centre.y + kCrossReach}, colour, PenStyle::Solid);
}

}  // namespace qlm
