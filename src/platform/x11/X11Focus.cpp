// Where the keyboard focus and the pointer are, told in terms of one target:
// the target itself, a window inside it, or one of its transient dialogs.
// Without a window manager the top-level windows are the root's children.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/x11/X11Parts.h"

namespace qlm::x11 {
namespace {

constexpr int kMaxDepth = 64;

XId parentOf(Display* display, XId window) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
  if (children != nullptr) XFree(children);
  return parent;
}

bool transientOf(Display* display, XId window, XId target) {
  for (int depth = 0; depth < 8; ++depth) {
    Window owner = 0;
    if (XGetTransientForHint(display, window, &owner) == 0 || owner == 0 || owner == window) return false;
    if (owner == target) return true;
    window = owner;
  }
  return false;
}

XId activeWindow(Display* display, XId root) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XId active = 0;
  if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_ACTIVE_WINDOW", False), 0, 1, False, XA_WINDOW,
                         &type, &format, &count, &after, &data) == Success && data != nullptr) {
    if (format == 32 && count == 1) active = *reinterpret_cast<unsigned long*>(data);
    XFree(data);
  }
  return active;
}

}  // namespace

bool windowBelongsTo(Display* display, XId root, XId window, XId target) {
  XId top = 0;
  for (int depth = 0; window != 0 && window != root && depth < kMaxDepth; ++depth) {
    if (window == target) return true;
    top = window;
    window = parentOf(display, window);
  }
  if (top == 0) return false;
  // The dialog's own client window lies inside the window manager's frame.
  return transientOf(display, top, target) || transientOf(display, clientWindowBelow(display, top), target);
}

XId clientWindowBelow(Display* display, XId frame) {
  Atom wmState = XInternAtom(display, "WM_STATE", False);
  XId current = frame;
  for (int depth = 0; depth < 4 && current != 0; ++depth) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, current, wmState, 0, 1, False, wmState, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
      XFree(data);
      if (type == wmState) return current;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    if (XQueryTree(display, current, &root, &parent, &children, &n) == 0) return frame;
    current = n > 0 ? children[n - 1] : 0;
    if (children != nullptr) XFree(children);
  }
  return frame;
}

bool focusInside(Display* display, XId root, XId target) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == root) focus = activeWindow(display, root);
  return focus != 0 && windowBelongsTo(display, root, focus, target);
}

bool pointerInside(Display* display, XId root, XId target) {
  XId window = root;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (XQueryPointer(display, window, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask) == 0 || child == 0) break;
    if (child == target) return true;
    window = child;
  }
  return window != root && windowBelongsTo(display, root, window, target);
}

}  // namespace qlm::x11
