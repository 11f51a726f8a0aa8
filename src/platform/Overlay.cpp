#include "platform/Overlay.h"

#include <algorithm>

namespace qlm {
namespace {
constexpr int kFrameInset = 2;
constexpr int kCrossReach = 15;
constexpr int kLabelOffset = 6;
constexpr Point kStatusOrigin{25, 5};
}  // namespace

OverlayLayout layoutNote(const OverlayNote& note) {
  OverlayLayout layout;
  const int width = note.area.width();
  const int height = note.area.height();
  const bool marked = note.marker.x >= 0 && note.marker.y >= 0;
  if ((note.level & kVerboseFrame) != 0 && width > 0 && !marked) {
    layout.frame = Rect{kFrameInset, kFrameInset, width - kFrameInset, height - kFrameInset};
  }
  if ((note.level & kVerboseMarker) != 0 && marked) {
    const Point at = note.marker;
    layout.crossAcross = OverlayLine{{std::max(at.x - kCrossReach, 0), at.y}, {at.x + kCrossReach, at.y}};
    layout.crossDown = OverlayLine{{at.x, std::max(at.y - kCrossReach, 0)}, {at.x, at.y + kCrossReach}};
    layout.circleCentre = at;
    if (!note.label.empty()) layout.labelOrigin = Point{at.x + kLabelOffset, at.y + kLabelOffset};
  }
  if ((note.level & kVerboseStatus) != 0 && !note.status.empty()) layout.statusOrigin = kStatusOrigin;
  return layout;
}

}  // namespace qlm
