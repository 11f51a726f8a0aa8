// Screen capture through MIT-SHM, with plain XGetImage where shared memory
// cannot be had (a remote display).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

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

// Copies the image into the picture at (dx, dy) from the top, reversing the rows.
void copyInto(const XImage& image, Picture& picture, int dx, int dy) {
  if (isBgrx(image)) {
    copyRowsInto(PixelRows{reinterpret_cast<const std::uint8_t*>(image.data), image.bytes_per_line, image.width,
                           image.height},
                 picture, dx, dy);
    return;
  }
  for (int y = 0; y < image.height; ++y) {
    auto* bytes = picture.rowFromTop(dy + y) + 4 * static_cast<std::size_t>(dx);
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

// Rows [top, bottom) of the screen, merged; too many collapse into one span
// from the first to the last, which costs a larger copy but never a missed row.
class RowSpans {
public:
  void add(int top, int bottom) {
    if (top >= bottom) return;
    m_spans.emplace_back(top, bottom);
    std::sort(m_spans.begin(), m_spans.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& span : m_spans) {
      if (!merged.empty() && span.first <= merged.back().second) {
        merged.back().second = std::max(merged.back().second, span.second);
      } else {
        merged.push_back(span);
      }
    }
    if (merged.size() > kMostSpans) merged = {{merged.front().first, merged.back().second}};
    m_spans = std::move(merged);
  }
  void clear() { m_spans.clear(); }
  const std::vector<std::pair<int, int>>& spans() const { return m_spans; }

private:
  static constexpr std::size_t kMostSpans = 16;
  std::vector<std::pair<int, int>> m_spans;
};

// The server's record of what changed on the screen, drawing in every window
// included. Without DAMAGE and XFIXES nothing is known, and every capture
// copies the whole area.
class ScreenChanges {
public:
  explicit ScreenChanges(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {
    auto lock = m_connection->lock();
    Display* dpy = m_connection->display();
    int error = 0, major = 1, minor = 1;
    if (XDamageQueryExtension(dpy, &m_eventBase, &error) == 0 || XDamageQueryVersion(dpy, &major, &minor) == 0) return;
    int fixesMajor = 2, fixesMinor = 0;
    if (XFixesQueryExtension(dpy, &error, &error) == 0 || XFixesQueryVersion(dpy, &fixesMajor, &fixesMinor) == 0) return;
    ErrorTrap trap(dpy);
    m_damage = XDamageCreate(dpy, m_connection->root(), XDamageReportNonEmpty);
    m_region = XFixesCreateRegion(dpy, nullptr, 0);
    XSync(dpy, False);
    if (trap.failed()) release();
  }
  ~ScreenChanges() {
    auto lock = m_connection->lock();
    release();
  }
  ScreenChanges(const ScreenChanges&) = delete;
  ScreenChanges& operator=(const ScreenChanges&) = delete;

  // The rectangles changed since the last call, the caller holding the
  // connection's lock; nothing when unknown.
  std::optional<std::vector<Rect>> take() {
    if (m_damage == 0) return std::nullopt;
    Display* dpy = m_connection->display();
    XDamageSubtract(dpy, m_damage, None, m_region);
    int count = 0;
    XRectangle* rectangles = XFixesFetchRegion(dpy, m_region, &count);
    // The notices of new damage are not needed: each capture asks.
    XEvent notice;
    while (XCheckTypedEvent(dpy, m_eventBase + XDamageNotify, &notice) != 0) {
    }
    if (rectangles == nullptr && count != 0) return std::nullopt;
    std::vector<Rect> changed;
    for (int i = 0; i < count; ++i) {
      const XRectangle& r = rectangles[i];
      changed.push_back(Rect::fromSize(r.x, r.y, r.width, r.height));
    }
    if (rectangles != nullptr) XFree(rectangles);
    return changed;
  }

private:
  void release() {
    Display* dpy = m_connection->display();
    if (m_damage != 0) XDamageDestroy(dpy, m_damage);
    if (m_region != 0) XFixesDestroyRegion(dpy, m_region);
    m_damage = 0;
    m_region = 0;
  }

  std::shared_ptr<Connection> m_connection;
  int m_eventBase = 0;
  Damage m_damage = 0;
  XserverRegion m_region = 0;
};

// A shared-memory segment the server writes the screen into, and the search
// reads in place. It detaches itself whenever its last holder lets it go.
// Filled again for the same area, it fetches only the rows that changed.
class ShmFrame final : public ScreenFrame {
public:
  static std::shared_ptr<ShmFrame> attach(std::shared_ptr<Connection> connection, std::size_t bytes) {
    auto frame = std::make_shared<ShmFrame>(std::move(connection));
    return frame->attachSegment(bytes) ? frame : nullptr;
  }
  explicit ShmFrame(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}
  ~ShmFrame() override {
    if (!m_attached) return;
    auto lock = m_connection->lock();
    XShmDetach(m_connection->display(), &m_segment);
    XSync(m_connection->display(), False);
    shmdt(m_segment.shmaddr);
  }
  ShmFrame(const ShmFrame&) = delete;
  ShmFrame& operator=(const ShmFrame&) = delete;

  PixelRows rows() const override { return m_rows; }
  FrameChanges changes() const override { return m_changes; }
  std::size_t bytes() const { return m_bytes; }

  void markChanged(const std::vector<Rect>& changed) {
    for (const Rect& rect : changed) m_stale.add(rect.top, rect.bottom);
  }
  void markAllChanged() { m_filled = Rect{}; }

  // Fills the segment with `visible`; the caller holds the connection's lock.
  bool take(const Rect& visible) {
    // Now and then the whole area again, should a drawing ever escape the
    // server's record: a wait for an image then still sees it in time.
    const auto now = std::chrono::steady_clock::now();
    const bool whole = m_filled != visible || now - m_wholeTaken > kWholeEvery;
    m_filled = Rect{};
    m_rows = PixelRows{};
    const std::uint64_t previousFill = whole ? 0 : m_changes.fill;
    m_changes = FrameChanges{};
    std::vector<std::pair<int, int>> bands;
    if (whole) {
      bands.emplace_back(visible.top, visible.bottom);
    } else {
      for (const auto& [top, bottom] : m_stale.spans()) {
        if (std::max(top, visible.top) < std::min(bottom, visible.bottom)) {
          bands.emplace_back(std::max(top, visible.top), std::min(bottom, visible.bottom));
        }
      }
    }
    for (const auto& [top, bottom] : bands) {
      if (!fetch(visible, top, bottom)) return false;
    }
    m_stale.clear();
    m_filled = visible;
    if (whole) m_wholeTaken = now;
    m_changes.fill = nextFrameFill();
    m_changes.previousFill = previousFill;
    for (const auto& [top, bottom] : bands) m_changes.rows.emplace_back(top - visible.top, bottom - visible.top);
    m_rows = PixelRows{reinterpret_cast<const std::uint8_t*>(m_segment.shmaddr), 4 * visible.width(), visible.width(),
                       visible.height()};
    return true;
  }

private:
  // Rows [top, bottom) of `visible` into their place in the segment.
  bool fetch(const Rect& visible, int top, int bottom) {
    Display* dpy = m_connection->display();
    const int screen = DefaultScreen(dpy);
    ImagePtr image(XShmCreateImage(dpy, DefaultVisual(dpy, screen), static_cast<unsigned>(DefaultDepth(dpy, screen)),
                                   ZPixmap, nullptr, &m_segment, static_cast<unsigned>(visible.width()),
                                   static_cast<unsigned>(bottom - top)));
    if (!image || !isBgrx(*image) || image->bytes_per_line != 4 * visible.width()) return false;
    const std::size_t offset = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(top - visible.top);
    if (offset + static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height) > m_bytes) {
      return false;
    }
    image->data = m_segment.shmaddr + offset;
    // The request has a reply: a failure shows in its result, without the
    // extra round trips of an error trap.
    const bool ok = XShmGetImage(dpy, m_connection->root(), image.get(), visible.left, top, AllPlanes) != 0;
    image->data = nullptr;  // the segment is not the image's to free
    return ok;
  }

  bool attachSegment(std::size_t bytes) {
    m_segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (m_segment.shmid < 0) return false;
    m_segment.shmaddr = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides detach,
    // even if this process dies.
    shmctl(m_segment.shmid, IPC_RMID, nullptr);
    if (m_segment.shmaddr == reinterpret_cast<char*>(-1)) return false;
    m_segment.readOnly = False;
    auto lock = m_connection->lock();
    ErrorTrap trap(m_connection->display());
    XShmAttach(m_connection->display(), &m_segment);
    XSync(m_connection->display(), False);
    if (trap.failed()) {
      shmdt(m_segment.shmaddr);
      return false;
    }
    m_attached = true;
    m_bytes = bytes;
    return true;
  }

  std::shared_ptr<Connection> m_connection;
  XShmSegmentInfo m_segment{};
  bool m_attached = false;
  std::size_t m_bytes = 0;
  PixelRows m_rows;
  FrameChanges m_changes;
  static constexpr std::chrono::seconds kWholeEvery{1};
  Rect m_filled;    // the screen area the segment holds; empty when none
  RowSpans m_stale;  // rows of the screen changed since it was filled
  std::chrono::steady_clock::time_point m_wholeTaken;
};

class X11Capture final : public Capture {
public:
  X11Capture(std::shared_ptr<Connection> connection, bool useShm)
      : m_connection(std::move(connection)), m_useShm(useShm) {
    {
      auto lock = m_connection->lock();
      m_useShm = m_useShm && XShmQueryExtension(dpy()) != 0;
    }
    if (m_useShm) m_screenChanges = std::make_unique<ScreenChanges>(m_connection);
  }

  std::optional<Picture> capture(const Rect& area) override {
    Picture picture;
    if (!captureInto(area, picture)) return std::nullopt;
    return picture;
  }

  bool captureInto(const Rect& area, Picture& picture) override {
    if (area.width() <= 0 || area.height() <= 0) return false;
    const Rect visible = visiblePart(area);
    prepare(picture, area, visible);
    if (visible.width() <= 0 || visible.height() <= 0) return true;
    const int dx = visible.left - area.left, dy = visible.top - area.top;
    if (std::shared_ptr<ShmFrame> frame = shmFrame(visible)) {
      copyRowsInto(frame->rows(), picture, dx, dy);
      return true;
    }
    auto lock = m_connection->lock();
    ErrorTrap trap(dpy());
    ImagePtr image(XGetImage(dpy(), m_connection->root(), visible.left, visible.top, static_cast<unsigned>(visible.width()),
                             static_cast<unsigned>(visible.height()), AllPlanes, ZPixmap));
    if (!image || trap.failed()) return false;
    copyInto(*image, picture, dx, dy);
    return true;
  }

  // An area wholly on the screen is searched where the server put it; any other
  // is converted, for its black parts.
  std::shared_ptr<ScreenFrame> captureFrame(const Rect& area, Picture& spare) override {
    if (area.width() > 0 && area.height() > 0 && visiblePart(area) == area) {
      if (std::shared_ptr<ShmFrame> frame = shmFrame(area)) return frame;
    }
    return Capture::captureFrame(area, spare);
  }

private:
  // Frames kept for reuse; more are made while holders keep these.
  static constexpr std::size_t kKeptFrames = 2;

  Display* dpy() const { return m_connection->display(); }

  Rect visiblePart(const Rect& area) {
    auto lock = m_connection->lock();
    const int screen = DefaultScreen(dpy());
    return Rect{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, DisplayWidth(dpy(), screen)),
                std::min(area.bottom, DisplayHeight(dpy(), screen))};
  }

  std::shared_ptr<ShmFrame> shmFrame(const Rect& visible) {
    if (!m_useShm) return nullptr;
    const std::size_t bytes = 4 * static_cast<std::size_t>(visible.width()) * static_cast<std::size_t>(visible.height());
    auto lock = m_connection->lock();
    noteChanges();
    std::shared_ptr<ShmFrame> frame = freeFrame(bytes);
    if (!frame) {
      frame = ShmFrame::attach(m_connection, bytes);
      if (!frame) {
        m_useShm = false;
        return nullptr;
      }
      if (m_frames.size() < kKeptFrames) m_frames.push_back(frame);
    }
    return frame->take(visible) ? frame : nullptr;
  }

  void noteChanges() {
    const std::optional<std::vector<Rect>> changed = m_screenChanges ? m_screenChanges->take() : std::nullopt;
    for (const auto& frame : m_frames) {
      if (changed) {
        frame->markChanged(*changed);
      } else {
        frame->markAllChanged();
      }
    }
  }

  // A kept frame no one holds, large enough; a too small one is let go, for a
  // larger one to take its place.
  std::shared_ptr<ShmFrame> freeFrame(std::size_t bytes) {
    for (auto it = m_frames.begin(); it != m_frames.end(); ++it) {
      if (it->use_count() != 1) continue;
      if ((*it)->bytes() >= bytes) return *it;
      m_frames.erase(it);
      return nullptr;
    }
    return nullptr;
  }

  std::shared_ptr<Connection> m_connection;
  bool m_useShm;
  std::vector<std::shared_ptr<ShmFrame>> m_frames;
  std::unique_ptr<ScreenChanges> m_screenChanges;
};

}  // namespace

std::unique_ptr<Capture> makeCapture(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Capture>(std::move(connection), true);
}

std::unique_ptr<Capture> makePlainCapture(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Capture>(std::move(connection), false);
}

}  // namespace qlm::x11
