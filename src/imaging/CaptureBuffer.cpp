#include "imaging/CaptureBuffer.h"

#include "platform/Platform.h"

namespace qlm {

int normalisedBitCount(int bits) {
  if (bits == 1) return 1;
  if (bits <= 4) return 4;
  if (bits <= 8) return 8;
  if (bits <= 16) return 16;
  if (bits <= 24) return 24;
  return 32;
}

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

bool CaptureBuffer::captureScreen(Platform& platform, CaptureSource source) {
  Picture picture = m_slot.takeCapture();
  if (picture.pixels.empty()) picture = std::move(m_spare);
  m_area = Rect{};
  std::optional<Rect> area;
  if (platform.windows && platform.capture) area = snapshotArea(*platform.windows, source);
  const bool taken = area && area->width() > 0 && area->height() > 0 &&
                     platform.capture->captureInto(*area, picture) && picture.width == area->width() &&
                     picture.height == area->height();
  // The search and the stored layout read four bytes a pixel whatever the
  // display's own depth, so a capture in any other layout is refused.
  if (taken) picture.bitsPerPixel = normalisedBitCount(picture.bitsPerPixel);
  if (!taken || picture.bitsPerPixel != 32 || picture.pixels.size() != picture.pixelBytes()) {
    m_spare = std::move(picture);
    return false;
  }
  m_slot.setCapture(std::move(picture));
  m_area = *area;
  return true;
}

void CaptureBuffer::clear() {
  m_slot.setCapture(Picture{});
  m_area = Rect{};
}

}  // namespace qlm
