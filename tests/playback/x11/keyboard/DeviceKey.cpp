// Taps a key as the user would: through the X server's own keyboard device
// instead of XTest's, so that the input watch does not take it for injected
// input. Xvfb has such a device ("Xvfb keyboard") although nothing types on it.
//   qlm_x11_device_key KEYSYM_NAME   e.g. End
// Exit status: 0 sent, 1 no display, 2 no such keyboard or key.
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstring>

namespace {

XID serverKeyboard(Display* display) {
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(display, &count);
  XID found = 0;
  for (int i = 0; i < count && found == 0; ++i) {
    if (devices[i].use == IsXExtensionKeyboard && std::strstr(devices[i].name, "XTEST") == nullptr) {
      found = devices[i].id;
    }
  }
  XFreeDeviceList(devices);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: qlm_x11_device_key KEYSYM_NAME\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  XID id = serverKeyboard(display);
  KeySym keysym = XStringToKeysym(argv[1]);
  KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
  XDevice* device = id == 0 ? nullptr : XOpenDevice(display, id);
  if (device == nullptr || keycode == 0) {
    std::fprintf(stderr, "qlm_x11_device_key: no keyboard of the server's own, or no key for %s\n", argv[1]);
    XCloseDisplay(display);
    return 2;
  }
  XTestFakeDeviceKeyEvent(display, device, keycode, True, nullptr, 0, CurrentTime);
  XTestFakeDeviceKeyEvent(display, device, keycode, False, nullptr, 0, CurrentTime);
  XSync(display, False);
  XCloseDevice(display, device);
  XCloseDisplay(display);
  return 0;
}
