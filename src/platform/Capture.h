#pragma once
// Screen pictures in the stored layout: 32 bits per pixel, rows bottom-up,
// bytes blue, green, red, unused (0).
#include <memory>
#include <optional>
#include <utility>

#include "platform/Geometry.h"
#include "platform/Picture.h"
#include "platform/ScreenFrame.h"

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
  // The same where the capture keeps it, valid while the frame is held; null on
  // failure or for an empty area. A capture that must be converted may take
  // `spare`'s memory.
  virtual std::shared_ptr<ScreenFrame> captureFrame(const Rect& area, Picture& spare) {
    if (!captureInto(area, spare)) return nullptr;
    return std::make_shared<PictureFrame>(std::move(spare));
  }
};

}  // namespace qlm
