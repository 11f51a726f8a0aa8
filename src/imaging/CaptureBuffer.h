#pragma once
// Pictures taken from the screen during playback: which window a capture kind
// means, which rectangle is taken, and the slot that keeps the latest one with
// the place on the screen it came from.
#include <memory>
#include <optional>

#include "document/Snapshot.h"
#include "platform/Geometry.h"
#include "platform/ScreenFrame.h"

namespace qlm {

struct Platform;
class Windows;

enum class CaptureSource {
  WholeScreen,
  WindowUnderPointer,  // the whole screen over the bare desktop
  ForegroundWindow,
};

// The screen rectangle of a capture; none without a window.
std::optional<Rect> snapshotArea(Windows& windows, CaptureSource source);

// A wait for an image captures again and again and searches the screen where
// the capture keeps it; only a capture that is looked at or kept is converted
// into the stored layout.
class CaptureBuffer {
 public:
  // Fills the slot from the screen. On failure nothing is kept, so that no
  // older picture passes for the live one.
  bool captureScreen(Platform& platform, CaptureSource source);
  bool exists() const { return m_frame != nullptr || !m_slot.capture().empty(); }
  // Where the picture lay on the screen when it was taken.
  const Rect& screenArea() const { return m_area; }
  // The latest capture, read where it lies until the next capture or clear.
  PixelRows rows() const;
  // How those rows came about; unknown once converted.
  FrameChanges changes() const { return m_frame ? m_frame->changes() : FrameChanges{}; }
  // The latest capture in the stored layout.
  const Picture& picture();
  Snapshot& slot();
  void clear();

 private:
  void convertFrame();

  Snapshot m_slot;
  Rect m_area;
  // The capture not yet converted into the slot.
  std::shared_ptr<ScreenFrame> m_frame;
  // The memory of a picture no longer shown, for the next conversion.
  Picture m_spare;
};

}  // namespace qlm
