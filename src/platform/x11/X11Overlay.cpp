// The verbose notes as override-redirect windows: the window manager never
// sees them and they never take the focus; an empty input shape lets every
// click reach the window beneath. What is drawn lives in a pixmap set as the
// window's background, so that the server repaints it without our help.
// Without a compositing manager the window is cut to its drawn pixels by
// its bounding shape; with one it has an alpha channel instead.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <array>
#include <string>
#include <vector>

#include "platform/Overlay.h"
#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

// Times at the note's size when the server has it, else a font of its size.
constexpr const char* kFontNames[] = {
    "-*-times new roman-bold-r-normal--18-*-*-*-*-*-iso10646-1",
    "-*-times-bold-r-normal--18-*-*-*-*-*-iso10646-1",
    "-*-nimbus roman-bold-r-normal--18-*-*-*-*-*-iso10646-1",
    "-misc-fixed-bold-r-normal--18-*-*-*-*-*-iso10646-1",
    "fixed",
};

std::vector<XChar2b> wideText(const std::string& utf8) {
  std::vector<XChar2b> result;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    unsigned code = '?';
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
    if (i + length > utf8.size()) length = 1;
    if (length == 1) {
      code = lead < 0x80 ? lead : '?';
    } else {
      code = lead & (0x7Fu >> length);
      for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
      if (code > 0xFFFF) code = '?';
    }
    result.push_back(XChar2b{static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)});
    i += length;
  }
  return result;
}

unsigned long channel(std::uint8_t value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long top = mask >> shift;
  return ((value * top + 127) / 255) << shift;
}

// The pixel values of one drawable: the ground, and the note's two colours.
struct Inks {
  unsigned long ground;
  unsigned long blue;
  unsigned long white;
};

class X11Overlay final : public Overlay {
 public:
  explicit X11Overlay(std::shared_ptr<Connection> connection) : m_connection(std::move(connection)) {}

  ~X11Overlay() override {
    auto lock = m_connection->lock();
    Display* dpy = m_connection->display();
    for (Slot& slot : m_slots) {
      freePixmaps(slot);
      if (slot.window != 0) XDestroyWindow(dpy, slot.window);
    }
    if (m_colormap != 0) XFreeColormap(dpy, m_colormap);
    if (m_font != nullptr) XFreeFont(dpy, m_font);
    XFlush(dpy);
  }

  void show(OverlaySlot which, const OverlayNote& note) override {
    if (note.level < 1 || note.area.width() <= 0 || note.area.height() <= 0) {
      hide(which);
      return;
    }
    auto lock = m_connection->lock();
    Display* dpy = m_connection->display();
    ErrorTrap trap(dpy);
    Slot& slot = m_slots[static_cast<std::size_t>(which)];
    if (!m_looked) chooseLook();
    // Without an input shape the note would catch the clicks meant for the target.
    if (!m_shapes) return;
    if (slot.window == 0 && !createWindow(slot)) return;
    const int width = note.area.width();
    const int height = note.area.height();
    if (slot.width != width || slot.height != height) {
      freePixmaps(slot);
      slot.width = width;
      slot.height = height;
      slot.picture = XCreatePixmap(dpy, slot.window, width, height, m_depth);
      slot.pictureGc = XCreateGC(dpy, slot.picture, 0, nullptr);
      if (!m_compositing) {
        slot.mask = XCreatePixmap(dpy, slot.window, width, height, 1);
        slot.maskGc = XCreateGC(dpy, slot.mask, 0, nullptr);
      }
    }
    const OverlayLayout layout = layoutNote(note);
    draw(slot.picture, slot.pictureGc, note, layout, m_inks);
    XSetWindowBackgroundPixmap(dpy, slot.window, slot.picture);
    if (!m_compositing) {
      draw(slot.mask, slot.maskGc, note, layout, Inks{0, 1, 1});
      XShapeCombineMask(dpy, slot.window, ShapeBounding, 0, 0, slot.mask, ShapeSet);
    }
    XMoveResizeWindow(dpy, slot.window, note.area.left, note.area.top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    if (!slot.mapped) {
      XMapRaised(dpy, slot.window);
      slot.mapped = true;
    } else {
      XRaiseWindow(dpy, slot.window);
    }
    XClearWindow(dpy, slot.window);
    XFlush(dpy);
  }

  void hide(OverlaySlot which) override {
    auto lock = m_connection->lock();
    Slot& slot = m_slots[static_cast<std::size_t>(which)];
    if (!slot.mapped) return;
    Display* dpy = m_connection->display();
    ErrorTrap trap(dpy);
    XUnmapWindow(dpy, slot.window);
    slot.mapped = false;
    XFlush(dpy);
  }

 private:
  struct Slot {
    Window window = 0;
    bool mapped = false;
    int width = 0;
    int height = 0;
    Pixmap picture = 0;
    GC pictureGc = nullptr;
    Pixmap mask = 0;
    GC maskGc = nullptr;
  };

  void freePixmaps(Slot& slot) {
    Display* dpy = m_connection->display();
    if (slot.pictureGc != nullptr) XFreeGC(dpy, slot.pictureGc);
    if (slot.maskGc != nullptr) XFreeGC(dpy, slot.maskGc);
    if (slot.picture != 0) XFreePixmap(dpy, slot.picture);
    if (slot.mask != 0) XFreePixmap(dpy, slot.mask);
    slot = Slot{slot.window, slot.mapped};
  }

  // The visual, colours and font are chosen with the first window, for all.
  void chooseLook() {
    Display* dpy = m_connection->display();
    const int screen = DefaultScreen(dpy);
    int eventBase = 0;
    int errorBase = 0;
    m_shapes = XShapeQueryExtension(dpy, &eventBase, &errorBase) != 0;
    const std::string manager = "_NET_WM_CM_S" + std::to_string(screen);
    XVisualInfo info{};
    m_compositing = XGetSelectionOwner(dpy, m_connection->atom(manager.c_str())) != 0 &&
                    XMatchVisualInfo(dpy, screen, 32, TrueColor, &info) != 0;
    if (m_compositing) {
      m_visual = info.visual;
      m_depth = 32;
      m_colormap = XCreateColormap(dpy, m_connection->root(), m_visual, AllocNone);
    } else {
      m_visual = DefaultVisual(dpy, screen);
      m_depth = DefaultDepth(dpy, screen);
    }
    const unsigned long colours = m_visual->red_mask | m_visual->green_mask | m_visual->blue_mask;
    const unsigned long opaque = m_depth == 32 ? 0xFFFFFFFFul & ~colours : 0;
    auto pixel = [&](Rgb rgb) {
      return opaque | channel(rgb.red, m_visual->red_mask) | channel(rgb.green, m_visual->green_mask) |
             channel(rgb.blue, m_visual->blue_mask);
    };
    m_inks = Inks{m_compositing ? 0 : pixel(kOverlayTransparent), pixel(kOverlayBlue), pixel(kOverlayWhite)};
    for (const char* name : kFontNames) {
      if ((m_font = XLoadQueryFont(dpy, name)) != nullptr) break;
    }
    m_looked = true;
  }

  bool createWindow(Slot& slot) {
    Display* dpy = m_connection->display();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = m_inks.ground;
    attributes.border_pixel = 0;
    attributes.colormap = m_colormap;
    unsigned long mask = CWOverrideRedirect | CWBackPixel | CWBorderPixel;
    if (m_colormap != 0) mask |= CWColormap;
    slot.window = XCreateWindow(dpy, m_connection->root(), 0, 0, 1, 1, 0, m_depth, InputOutput, m_visual, mask,
                                &attributes);
    if (slot.window == 0) return false;
    XShapeCombineRectangles(dpy, slot.window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = False;
    XSetWMHints(dpy, slot.window, &hints);
    XStoreName(dpy, slot.window, "Quillmote Verbose");
    std::string name = "quillmote";
    std::string className = "Quillmote";
    XClassHint classHint{name.data(), className.data()};
    XSetClassHint(dpy, slot.window, &classHint);
    return true;
  }

  void draw(Drawable target, GC gc, const OverlayNote& note, const OverlayLayout& layout, const Inks& inks) {
    Display* dpy = m_connection->display();
    XSetForeground(dpy, gc, inks.ground);
    XFillRectangle(dpy, target, gc, 0, 0, static_cast<unsigned>(note.area.width()),
                   static_cast<unsigned>(note.area.height()));
    XSetForeground(dpy, gc, inks.blue);
    if (layout.frame) {
      const Rect& f = *layout.frame;
      const int w = OverlayLayout::kFrameWidth;
      const std::array<XRectangle, 4> bands{
          XRectangle{short(f.left), short(f.top), ushort(std::max(f.width(), 0)), ushort(w)},
          XRectangle{short(f.left), short(f.bottom - w), ushort(std::max(f.width(), 0)), ushort(w)},
          XRectangle{short(f.left), short(f.top), ushort(w), ushort(std::max(f.height(), 0))},
          XRectangle{short(f.right - w), short(f.top), ushort(w), ushort(std::max(f.height(), 0))}};
      XFillRectangles(dpy, target, gc, const_cast<XRectangle*>(bands.data()), static_cast<int>(bands.size()));
    }
    if (layout.crossAcross && layout.crossDown) {
      XSetLineAttributes(dpy, gc, OverlayLayout::kCrossWidth, LineSolid, CapButt, JoinMiter);
      for (const OverlayLine& line : {*layout.crossAcross, *layout.crossDown}) {
        XDrawLine(dpy, target, gc, line.from.x, line.from.y, line.to.x, line.to.y);
      }
    }
    if (layout.circleCentre) {
      const int r = OverlayLayout::kCircleRadius;
      XSetLineAttributes(dpy, gc, 1, LineSolid, CapButt, JoinMiter);
      XDrawArc(dpy, target, gc, layout.circleCentre->x - r, layout.circleCentre->y - r, 2 * r, 2 * r, 0, 360 * 64);
    }
    if (m_font == nullptr) return;
    XSetFont(dpy, gc, m_font->fid);
    if (layout.labelOrigin) {
      std::vector<XChar2b> text = wideText(note.label);
      XDrawString16(dpy, target, gc, layout.labelOrigin->x, layout.labelOrigin->y + m_font->ascent, text.data(),
                    static_cast<int>(text.size()));
    }
    if (layout.statusOrigin) {
      std::vector<XChar2b> text = wideText(note.status);
      const int width = XTextWidth16(m_font, text.data(), static_cast<int>(text.size()));
      const Point at = *layout.statusOrigin;
      XFillRectangle(dpy, target, gc, at.x, at.y, static_cast<unsigned>(std::max(width, 1)),
                     static_cast<unsigned>(m_font->ascent + m_font->descent));
      XSetForeground(dpy, gc, inks.white);
      XDrawString16(dpy, target, gc, at.x, at.y + m_font->ascent, text.data(), static_cast<int>(text.size()));
    }
  }

  using ushort = unsigned short;

  std::shared_ptr<Connection> m_connection;
  std::array<Slot, 3> m_slots;
  bool m_looked = false;
  bool m_shapes = false;
  bool m_compositing = false;
  Visual* m_visual = nullptr;
  int m_depth = 0;
  Colormap m_colormap = 0;
  Inks m_inks{};
  XFontStruct* m_font = nullptr;
};

}  // namespace

std::unique_ptr<Overlay> makeOverlay(std::shared_ptr<Connection> connection) {
  return std::make_unique<X11Overlay>(std::move(connection));
}

}  // namespace qlm::x11
