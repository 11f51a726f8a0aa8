// Input as the user makes it: through the X server's own keyboard and
// pointer devices instead of XTest's, so that the input watch does not take
// it for injected input. Xvfb has such devices ("Xvfb keyboard", "Xvfb
// mouse") although nothing drives them.
//   qlm_x11_user_input key KEYSYM_NAME   taps the key, e.g. End
//   qlm_x11_user_input move X Y          moves the pointer to X,Y of the screen
// Exit status: 0 sent, 1 no display, 2 usage, or no such device or key.
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

XDevice* serverDevice(Display* display, Atom use) {
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(display, &count);
  XID found = 0;
  for (int i = 0; i < count && found == 0; ++i) {
    if (devices[i].use == static_cast<int>(use) && std::strstr(devices[i].name, "XTEST") == nullptr) found = devices[i].id;
  }
  XFreeDeviceList(devices);
  return found == 0 ? nullptr : XOpenDevice(display, found);
}

bool tapKey(Display* display, const char* name) {
  KeySym keysym = XStringToKeysym(name);
  KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
  XDevice* device = serverDevice(display, IsXExtensionKeyboard);
  if (device == nullptr || keycode == 0) return false;
  XTestFakeDeviceKeyEvent(display, device, keycode, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(display, device, keycode, False, nullptr, 0, CurrentTime);
  XSync(display, False);
  XCloseDevice(display, device);
  return true;
}

bool movePointer(Display* display, int x, int y) {
  XDevice* device = serverDevice(display, IsXExtensionPointer);
  if (device == nullptr) return false;
  int axes[2] = {x, y};
  XTestFakeDeviceMotionEvent(display, device, False, 0, axes, 2, CurrentTime);
  XSync(display, False);
  XCloseDevice(display, device);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (!((command == "key" && argc == 3) || (command == "move" && argc == 4))) {
    std::fputs("usage: qlm_x11_user_input key KEYSYM_NAME | move X Y\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  bool sent = command == "key" ? tapKey(display, argv[2])
                               : movePointer(display, std::atoi(argv[2]), std::atoi(argv[3]));
  if (!sent) std::fprintf(stderr, "qlm_x11_user_input: no device of the server's own for %s\n", command.c_str());
  XCloseDisplay(display);
  return sent ? 0 : 2;
}
