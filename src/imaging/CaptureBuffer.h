#pragma once
// Pictures taken from the screen during playback: which window a capture kind
// means, which rectangle is taken, and the slot that keeps the latest one with
// the place on the screen it came from.
#include <optional>

#include "document/Snapshot.h"
#include "platform/Geometry.h"

namespace qlm {

struct Platform;
class Windows;

// Bits per pixel as the stored headers name them: 1, 4, 8, 16, 24, or 32 above 24.
int normalisedBitCount(int bits);

enum class CaptureSource {
  WholeScreen,
  WindowUnderPointer,  // the whole screen over the bare desktop
  ForegroundWindow,
};

// The screen rectangle of a capture; none without a window.
std::optional<Rect> snapshotArea(Windows& windows, CaptureSource source);

class CaptureBuffer {
 public:
  // Fills the slot from the screen. On failure nothing is kept, so that no
  // older picture passes for the live one.
  bool captureScreen(Platform& platform, CaptureSource source);
  bool exists() const { return !m_slot.capture().empty(); }
  // Where the picture lay on the screen when it was taken.
  const Rect& screenArea() const { return m_area; }
  const Picture& picture() const { return m_slot.capture(); }
  Snapshot& slot() { return m_slot; }
  void clear();

 private:
  Snapshot m_slot;
  Rect m_area;
  // The memory of a failed capture, for the next one.
  Picture m_spare;
};

}  // namespace qlm
