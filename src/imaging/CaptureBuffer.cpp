#include "imaging/CaptureBuffer.h"

#include "platform/Platform.h"

namespace qlm {

std::optional<Rect> snapshotArea(Windows& windows, CaptureSource source) {
  const DesktopInfo desktop = windows.desktop();
  const Rect screen = Rect::fromSize(0, 0, desktop.width, desktop.height);
  if (source == CaptureSource::WholeScreen) return screen;
  if (source == CaptureSource::WindowUnderPointer) {
    const WindowId window = windows.windowUnderPointer();
    return window == kNoWindow ? std::optional<Rect>(screen) : windows.rect(window);
  }
  const WindowId window = windows.foreground();
  if (window == kNoWindow) return std::nullopt;
  return windows.rect(window);
}

namespace {

// The memory of a picture a capture made, for the next conversion; nothing from the screen's own.
void reclaimPicture(ScreenFrame* frame, Picture& spare) {
  if (auto* owned = dynamic_cast<PictureFrame*>(frame)) spare = owned->takePicture();
}

}  // namespace

bool CaptureBuffer::captureScreen(Platform& platform, CaptureSource source) {
  clear();
  std::optional<Rect> area;
  if (platform.windows && platform.capture) area = snapshotArea(*platform.windows, source);
  if (!area || area->width() <= 0 || area->height() <= 0) return false;
  std::shared_ptr<ScreenFrame> frame = platform.capture->captureFrame(*area, m_spare);
  // The search and the stored layout read four bytes a pixel whatever the
  // display's own depth, so a capture in any other layout is refused.
  const PixelRows rows = frame ? frame->rows() : PixelRows{};
  if (rows.empty() || rows.width != area->width() || rows.height != area->height()) {
    reclaimPicture(frame.get(), m_spare);
    return false;
  }
  m_frame = std::move(frame);
  m_area = *area;
  return true;
}

PixelRows CaptureBuffer::rows() const {
  if (m_frame) return m_frame->rows();
  return pictureRows(m_slot.capture());
}

const Picture& CaptureBuffer::picture() {
  convertFrame();
  return m_slot.capture();
}

Snapshot& CaptureBuffer::slot() {
  convertFrame();
  return m_slot;
}

// A picture the capture made is taken over; the screen's own memory is copied.
void CaptureBuffer::convertFrame() {
  if (!m_frame) return;
  Picture picture;
  if (auto* owned = dynamic_cast<PictureFrame*>(m_frame.get())) {
    picture = owned->takePicture();
  } else {
    picture = std::move(m_spare);
    convertRows(m_frame->rows(), picture);
  }
  m_frame.reset();
  m_slot.setCapture(std::move(picture));
}

void CaptureBuffer::clear() {
  reclaimPicture(m_frame.get(), m_spare);
  m_frame.reset();
  Picture shown = m_slot.takeCapture();
  if (!shown.pixels.empty()) m_spare = std::move(shown);
  m_area = Rect{};
}

}  // namespace qlm
