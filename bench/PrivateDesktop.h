#pragma once
// The private virtual desktop a benchmark program runs on, started on first use with a
// platform of its own. Without it a desktop benchmark measures nothing, so the program ends.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/x11/VirtualDesktop.h"
#include "platform/x11/X11Platform.h"

namespace qlm {

[[noreturn]] inline void failBenchmark(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  std::exit(1);
}

struct PrivateDesktop {
  std::unique_ptr<VirtualDesktop> desktop;
  std::unique_ptr<Platform> platform;

  static PrivateDesktop& get() {
    static PrivateDesktop instance;
    return instance;
  }

 private:
  PrivateDesktop() {
    std::string error;
    desktop = VirtualDesktop::start({}, error);
    if (!desktop) failBenchmark("no virtual desktop: " + error);
    PlatformResult result = createX11Platform(desktop->display());
    if (!result.platform) failBenchmark(result.message);
    platform = std::move(result.platform);
  }
};

}  // namespace qlm
