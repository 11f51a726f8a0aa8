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
  clear();
  if (!platform.windows || !platform.capture) return false;
  std::optional<Rect> area = snapshotArea(*platform.windows, source);
  if (!area || area->width() <= 0 || area->height() <= 0) return false;
  std::optional<Picture> picture = platform.capture->capture(*area);
  if (!picture || picture->width != area->width() || picture->height != area->height()) return false;
  // The search and the stored layout read four bytes a pixel whatever the
  // display's own depth, so a capture in any other layout is refused.
  picture->bitsPerPixel = normalisedBitCount(picture->bitsPerPixel);
  if (picture->bitsPerPixel != 32 || picture->pixels.size() != picture->pixelBytes()) return false;
  m_slot.setCapture(std::move(*picture));
  m_area = *area;
  return true;
}

void CaptureBuffer::clear() {
  m_slot.setCapture(Picture{});
  m_area = Rect{};
}

}  // namespace qlm
