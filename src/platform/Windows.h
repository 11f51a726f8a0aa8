#pragma once
// Window management: what target selection, resizing and screen capture ask
// of the desktop. Texts are Windows-1252 as the data model keeps them.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace qlm {

struct DesktopInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  // A compositing manager draws the screen: windows may be translucent.
  bool compositing = false;
};

class Windows {
public:
  virtual ~Windows() = default;

  // Visible top-level windows that have a title, front to back (minimised ones included).
  virtual std::vector<WindowId> topLevelWindows() = 0;
  // Exact lookup; a missing class or title matches any. The frontmost match wins.
  virtual WindowId findWindow(std::optional<std::string_view> className,
                              std::optional<std::string_view> title) = 0;
  virtual bool exists(WindowId window) = 0;
  // Exists and is shown on the desktop or minimised (not destroyed, not withdrawn).
  virtual bool isPresent(WindowId window) = 0;

  virtual std::string title(WindowId window) = 0;
  virtual std::string className(WindowId window) = 0;
  // File name of the window's executable ("xterm"), empty when unknown.
  virtual std::string processFileName(WindowId window) = 0;
  // Whether this program itself shows the window.
  virtual bool isOwnWindow(WindowId window) { (void)window; return false; }

  // Outer rectangle, frame included, in screen coordinates.
  virtual std::optional<Rect> rect(WindowId window) = 0;
  virtual bool isMinimized(WindowId window) = 0;
  virtual bool restore(WindowId window) = 0;
  virtual bool minimize(WindowId window) = 0;
  virtual bool maximize(WindowId window) = 0;
  // Places the outer rectangle and repaints.
  virtual bool moveResize(WindowId window, const Rect& outer) = 0;

  virtual bool setForeground(WindowId window) = 0;
  virtual WindowId foreground() = 0;
  // The top-level window that holds the keyboard focus, kNoWindow when none does.
  virtual WindowId keyboardFocus() = 0;
  // The window's frontmost transient dialog, or the window itself.
  virtual WindowId lastActivePopup(WindowId window) = 0;
  // Top-level window under the pointer, kNoWindow over the bare desktop.
  virtual WindowId windowUnderPointer() = 0;

  // Whether the window's program handles its input within `timeout`.
  virtual bool isResponding(WindowId window, std::chrono::milliseconds timeout) = 0;

  virtual DesktopInfo desktop() = 0;
};

}  // namespace qlm
