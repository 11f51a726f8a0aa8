#include "platform/x11/X11Platform.h"

#include <cstdlib>

#include "platform/posix/PosixParts.h"
#include "platform/x11/VirtualDesktop.h"
#include "platform/x11/X11Parts.h"

namespace qlm {
namespace {

// Keeps the virtual desktop alive through the connection the parts share.
PlatformResult createX11PlatformKeeping(const std::string& displayName, std::shared_ptr<void> keep) {
  std::string error;
  auto connection = x11::Connection::open(displayName, error);
  if (!connection) return {nullptr, error};
  if (keep) connection->keepAlive(std::move(keep));
  auto platform = std::make_unique<Platform>();
  platform->name = "x11";
  platform->clock = makeSteadyClock();
  platform->windows = x11::makeWindows(connection);
  platform->input = x11::makeInput(connection);
  platform->inputWatch = x11::makeInputWatch(connection);
  platform->keyboardLayout = x11::makeKeyboardLayout(connection);
  platform->capture = x11::makeCapture(connection);
  platform->clipboard = x11::makeClipboard(connection);
  platform->processes = makePosixProcesses();
  platform->shell = makePosixShell();
  platform->sound = x11::makeSound(connection);
  platform->overlay = x11::makeOverlay(connection);
  platform->user = makePosixUser();
  platform->settings = makeIniSettings(userSettingsPath(), kMachineSettingsPath);
  return {std::move(platform), {}};
}

}  // namespace

// Without a desktop to play on, Quillmote brings its own: a virtual desktop
// that lives as long as the platform, and that the commands it starts see too.
PlatformResult createDefaultX11Platform() {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && display[0] != '\0') return createX11Platform("");
  std::string error;
  std::shared_ptr<VirtualDesktop> desktop = VirtualDesktop::start({}, error);
  if (!desktop) return {nullptr, error};
  // Set before the parts start their threads, which read the environment.
  setenv("DISPLAY", desktop->display().c_str(), 1);
  PlatformResult result = createX11PlatformKeeping(desktop->display(), desktop);
  if (!result.platform) unsetenv("DISPLAY");
  return result;
}

PlatformResult createX11Platform(const std::string& displayName) { return createX11PlatformKeeping(displayName, nullptr); }

}  // namespace qlm
