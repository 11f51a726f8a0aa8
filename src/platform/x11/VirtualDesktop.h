#pragma once
// A private X server (Xvfb) with a window manager (openbox) on a free display
// number, for tests and for playing without a desktop. Both are stopped, by
// their own process ids, when the object goes away, and by the kernel when
// the thread that started them ends, however it ends: start them on a
// thread that lives as long as they should.
#include <memory>
#include <string>

#include "platform/Outcome.h"

namespace qlm {

class VirtualDesktop {
public:
  struct Options {
    int width = 1920;
    int height = 1080;
    int depth = 24;
    bool windowManager = true;
  };

  // Null with `error` filled when Xvfb or the window manager does not start.
  static std::unique_ptr<VirtualDesktop> start(const Options& options, std::string& error);
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  // ":N", for DISPLAY.
  const std::string& display() const { return m_display; }
  int serverPid() const { return m_serverPid; }

private:
  VirtualDesktop() = default;
  std::string m_display;
  int m_serverPid = 0;
  int m_windowManagerPid = 0;
};

}  // namespace qlm
