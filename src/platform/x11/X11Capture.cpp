// Screen capture through MIT-SHM, with plain XGetImage where shared memory
// cannot be had (a remote display).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

struct ImageDeleter {
  void operator()(XImage* image) const {
    if (image != nullptr) XDestroyImage(image);
  }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

bool isBgrx(const XImage& image) {
  return image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
         image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

int maskShift(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  unsigned long value = (pixel & mask) >> maskShift(mask);
  unsigned long maximum = mask >> maskShift(mask);
  return static_cast<std::uint8_t>(value * 255 / maximum);
}

// Four bytes a pixel in the stored order, with the unused byte cleared so that
// equal screens give equal bytes. Kept apart so that the compiler vectorises it.
void copyBgrxRow(const std::uint32_t* __restrict in, std::uint32_t* __restrict out, int width) {
  for (int x = 0; x < width; ++x) out[x] = in[x] & 0x00FFFFFFu;
}

// Copies the image into the picture at (dx, dy) from the top, reversing the rows.
void copyInto(const XImage& image, Picture& picture, int dx, int dy) {
  const bool bgrx = isBgrx(image);
  for (int y = 0; y < image.height; ++y) {
    auto* out = reinterpret_cast<std::uint32_t*>(picture.rowFromTop(dy + y)) + dx;
    if (bgrx) {
      copyBgrxRow(reinterpret_cast<const std::uint32_t*>(image.data + static_cast<std::ptrdiff_t>(y) * image.bytes_per_line),
                  out, image.width);
      continue;
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(out);
    for (int x = 0; x < image.width; ++x) {
      unsigned long pixel = XGetPixel(const_cast<XImage*>(&image), x, y);
      bytes[4 * x] = channel(pixel, image.blue_mask);
      bytes[4 * x + 1] = channel(pixel, image.green_mask);
      bytes[4 * x + 2] = channel(pixel, image.red_mask);
      bytes[4 * x + 3] = 0;
    }
  }
}

// Sizes the picture for `area` and blackens what lies outside `visible`; the
// rest is written by the copy, so a reused picture is never cleared as a whole.
void prepare(Picture& picture, const Rect& area, const Rect& visible) {
  picture.width = area.width();
  picture.height = area.height();
  picture.bitsPerPixel = 32;
  picture.pixels.resize(picture.pixelBytes());
  if (visible.width() <= 0 || visible.height() <= 0) {
    std::fill(picture.pixels.begin(), picture.pixels.end(), std::uint8_t{0});
    return;
  }
  const std::size_t stride = picture.stride();
  const int top = visible.top - area.top, bottom = visible.bottom - area.top;
  const std::size_t left = 4 * static_cast<std::size_t>(visible.left - area.left);
  const std::size_t right = 4 * static_cast<std::size_t>(visible.right - area.left);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = picture.rowFromTop(y);
    if (y < top || y >= bottom) {
      std::memset(row, 0, stride);
      continue;
    }
    std::memset(row, 0, left);
    std::memset(row + right, 0, stride - right);
  }
}

class X11Capture final : public Capture {
public:
  X11Capture(std::shared_ptr<Connection> connection, bool useShm)
      : m_connection(std::move(connection)), m_useShm(useShm) {
    auto lock = m_connection->lock();
    m_useShm = m_useShm && XShmQueryExtension(dpy()) != 0;
  }

  ~X11Capture() override {
    auto lock = m_connection->lock();
    releaseSegment();
  }

  std::optional<Picture> capture(const Rect& area) override {
    Picture picture;
    if (!captureInto(area, picture)) return std::nullopt;
    return picture;
  }

  bool captureInto(const Rect& area, Picture& picture) override {
    if (area.width() <= 0 || area.height() <= 0) return false;
    auto lock = m_connection->lock();
    int screen = DefaultScreen(dpy());
    Rect visible{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, DisplayWidth(dpy(), screen)),
                 std::min(area.bottom, DisplayHeight(dpy(), screen))};
    prepare(picture, area, visible);
    if (visible.width() <= 0 || visible.height() <= 0) return true;
    int dx = visible.left - area.left, dy = visible.top - area.top;
    if (m_useShm && captureShm(visible, picture, dx, dy)) return true;
    ErrorTrap trap(dpy());
    ImagePtr image(XGetImage(dpy(), m_connection->root(), visible.left, visible.top, static_cast<unsigned>(visible.width()),
                             static_cast<unsigned>(visible.height()), AllPlanes, ZPixmap));
    if (!image || trap.failed()) return false;
    copyInto(*image, picture, dx, dy);
    return true;
  }

private:
  Display* dpy() const { return m_connection->display(); }

  bool ensureSegment(std::size_t bytes) {
    if (m_attached && m_segmentBytes >= bytes) return true;
    releaseSegment();
    m_segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (m_segment.shmid < 0) return false;
    m_segment.shmaddr = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides detach,
    // even if this process dies.
    shmctl(m_segment.shmid, IPC_RMID, nullptr);
    if (m_segment.shmaddr == reinterpret_cast<char*>(-1)) return false;
    m_segment.readOnly = False;
    ErrorTrap trap(dpy());
    XShmAttach(dpy(), &m_segment);
    if (trap.failed()) {
      shmdt(m_segment.shmaddr);
      return false;
    }
    m_attached = true;
    m_segmentBytes = bytes;
    return true;
  }

  void releaseSegment() {
    if (!m_attached) return;
    XShmDetach(dpy(), &m_segment);
    XSync(dpy(), False);
    shmdt(m_segment.shmaddr);
    m_attached = false;
    m_segmentBytes = 0;
  }

  bool captureShm(const Rect& visible, Picture& picture, int dx, int dy) {
    int screen = DefaultScreen(dpy());
    ImagePtr image(XShmCreateImage(dpy(), DefaultVisual(dpy(), screen), static_cast<unsigned>(DefaultDepth(dpy(), screen)),
                                   ZPixmap, nullptr, &m_segment, static_cast<unsigned>(visible.width()),
                                   static_cast<unsigned>(visible.height())));
    if (!image) return false;
    std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height);
    if (!ensureSegment(std::max(bytes, m_segmentBytes))) {
      m_useShm = false;
      return false;
    }
    image->data = m_segment.shmaddr;
    // The request has a reply: a failure shows in its result, without the
    // extra round trips of an error trap.
    bool ok = XShmGetImage(dpy(), m_connection->root(), image.get(), visible.left, visible.top, AllPlanes) != 0;
    if (ok) copyInto(*image, picture, dx, dy);
    image->data = nullptr;  // the segment is not the image's to free
    return ok;
  }

  std::shared_ptr<Connection> m_connection;
  bool m_useShm;
  XShmSegmentInfo m_segment{};
  bool m_attached = false;
  std::size_t m_segmentBytes = 0;
};

}  // namespace

std::unique_ptr<Capture> makeCapture(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Capture>(std::move(connection), true);
}

std::unique_ptr<Capture> makePlainCapture(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Capture>(std::move(connection), false);
}

}  // namespace qlm::x11
