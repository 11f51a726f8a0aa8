#pragma once
// Screen pictures in the stored layout: 32 bits per pixel, rows bottom-up,
// bytes blue, green, red, unused (0).
#include <optional>
#include <utility>

#include "platform/Picture.h"
#include "platform/Geometry.h"

namespace qlm {

class Capture {
public:
  virtual ~Capture() = default;
  // What the screen shows in `area`, overlapping windows included. Parts of
  // the area outside the screen are black; nothing for an empty area.
  virtual std::optional<Picture> capture(const Rect& area) = 0;
  // The same into `picture`, reusing its memory: a wait for an image captures
  // again and again. False on failure or for an empty area, the picture then
  // holding anything.
  virtual bool captureInto(const Rect& area, Picture& picture) {
    std::optional<Picture> taken = capture(area);
    if (!taken) return false;
    picture = std::move(*taken);
    return true;
  }
};

}  // namespace qlm
