#pragma once
// The verbose notes drawn over the desktop during playback: windows that
// never take the focus, let every click through and show only what is drawn.
// The layout below is the one drawing of a note, shared by every backend and
// by the desktop application's own window, so that they all look alike.
#include <optional>
#include <string>

#include "platform/Geometry.h"

namespace qlm {

// Bits of the verbose level.
inline constexpr int kVerboseFrame = 1;
inline constexpr int kVerboseMarker = 2;
inline constexpr int kVerboseStatus = 4;
inline constexpr int kVerboseAll = 7;

struct OverlayNote {
  int level = kVerboseAll;
  Rect area;               // screen pixels
  Point marker = kNoPoint; // relative to the area
  std::string label;       // UTF-8, beside the marker
  std::string status;      // UTF-8, at the top left
  friend bool operator==(const OverlayNote&, const OverlayNote&) = default;
};

inline constexpr Rgb kOverlayBlue{0, 0, 255};
inline constexpr Rgb kOverlayWhite{255, 255, 255};
// Black is what the window does not show.
inline constexpr Rgb kOverlayTransparent{0, 0, 0};
inline constexpr const char* kOverlayFontFamily = "Times New Roman";
inline constexpr int kOverlayFontPixels = 18;

struct OverlayLine {
  Point from;
  Point to;
};

// What a note draws, in the window's own pixels.
struct OverlayLayout {
  // The frame's outer edge; the frame is kFrameWidth pixels wide inside it.
  std::optional<Rect> frame;
  std::optional<OverlayLine> crossAcross;
  std::optional<OverlayLine> crossDown;
  std::optional<Point> circleCentre;
  std::optional<Point> labelOrigin;   // top left of the label's text
  std::optional<Point> statusOrigin;  // top left of the status box, sized to its text

  static constexpr int kFrameWidth = 4;
  static constexpr int kCrossWidth = 3;
  static constexpr int kCircleRadius = 5;
};

OverlayLayout layoutNote(const OverlayNote& note);

enum class OverlaySlot { Target, Click, Notice };

// One window per slot, moved and redrawn by each show, never made again.
class Overlay {
 public:
  virtual ~Overlay() = default;
  // A level below 1 or an empty area hides the slot.
  virtual void show(OverlaySlot slot, const OverlayNote& note) = 0;
  virtual void hide(OverlaySlot slot) = 0;
};

}  // namespace qlm
