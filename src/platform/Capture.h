#pragma once
// Screen pictures in the stored layout: 32 bits per pixel, rows bottom-up,
// bytes blue, green, red, unused (0).
#include <optional>

#include "platform/Picture.h"
#include "platform/Geometry.h"

namespace qlm {

class Capture {
public:
  virtual ~Capture() = default;
  // What the screen shows in `area`, overlapping windows included. Parts of
  // the area outside the screen are black; nothing for an empty area.
  virtual std::optional<Picture> capture(const Rect& area) = 0;
};

}  // namespace qlm
