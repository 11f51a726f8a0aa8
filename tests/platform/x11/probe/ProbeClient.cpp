// A plain X client for the integration tests: one window of a given title,
// class and colour that writes what it receives to a log file, one line each:
//   ready | key <keysym hex> | button <n> <x> <y> <root x> <root y> | count <n>
// Options: --title T --class C --color RRGGBB --log FILE --ping --no-pid
//          --count N (log only "count K" after every N key presses)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  std::string title = "Probe", className = "QlmProbe", logPath = "/dev/null";
  unsigned long color = 0x336699;
  bool ping = false, pid = true;
  long count = 0;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    bool hasValue = i + 1 < argc;
    if (option == "--title" && hasValue) title = argv[++i];
    else if (option == "--class" && hasValue) className = argv[++i];
    else if (option == "--log" && hasValue) logPath = argv[++i];
    else if (option == "--color" && hasValue) color = std::strtoul(argv[++i], nullptr, 16);
    else if (option == "--count" && hasValue) count = std::strtol(argv[++i], nullptr, 10);
    else if (option == "--ping") ping = true;
    else if (option == "--no-pid") pid = false;
  }
  FILE* log = std::fopen(logPath.c_str(), "w");
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || log == nullptr) return 1;
  int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 100, 100, 320, 200, 0, 0, color);
  XStoreName(display, window, title.c_str());
  XClassHint hint{const_cast<char*>("qlmprobe"), const_cast<char*>(className.c_str())};
  XSetClassHint(display, window, &hint);
  Atom protocols[] = {XInternAtom(display, "WM_DELETE_WINDOW", False), XInternAtom(display, "_NET_WM_PING", False)};
  XSetWMProtocols(display, window, protocols, ping ? 2 : 1);
  if (pid) {
    long self = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&self), 1);
  }
  XSelectInput(display, window, KeyPressMask | ButtonPressMask | ExposureMask | StructureNotifyMask);
  XMapWindow(display, window);
  bool ready = false;
  long keys = 0;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && !ready) {
      ready = true;
      std::fprintf(log, "ready\n");
    } else if (event.type == KeyPress) {
      ++keys;
      if (count == 0) {
        std::fprintf(log, "key %lx\n", XLookupKeysym(&event.xkey, (event.xkey.state & ShiftMask) ? 1 : 0));
      } else if (keys % count == 0) {
        std::fprintf(log, "count %ld\n", keys);
      }
    } else if (event.type == ButtonPress) {
      std::fprintf(log, "button %u %d %d %d %d\n", event.xbutton.button, event.xbutton.x, event.xbutton.y,
                   event.xbutton.x_root, event.xbutton.y_root);
    } else if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
    } else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == protocols[1]) {
      event.xclient.window = RootWindow(display, screen);
      XSendEvent(display, event.xclient.window, False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
    } else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == protocols[0]) {
      break;
    } else if (event.type == DestroyNotify) {
      break;
    }
    std::fflush(log);
  }
  std::fclose(log);
  XCloseDisplay(display);
  return 0;
}
