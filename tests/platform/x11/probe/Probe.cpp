// The X client of the integration tests, in three modes:
//   qlm_x11_probe [options]         one window that logs what it receives, one line each:
//     ready <window x on screen> <window y on screen> | key <keysym hex>
//     | button <n> <x> <y> <root x> <root y> | count <n>
//     --title T --class C --color RRGGBB --log FILE --at X,Y --size W,H --ping --no-pid
//     --count N (log only "count K" after every N key presses)
//     --pattern X,Y [--inverted] (paint a 60 x 30 pattern of blocks and lines there)
//     --control FIFO (the pattern only after a line "show" there, gone after "hide";
//       logs "shown <ns>" once it is on the screen and "pressed <ns>" after each
//       button line, both on the monotonic clock, and "hidden")
//     --text X,Y,TEXT (draw TEXT in black there, baseline at Y, in the 10x20 font; repeatable)
//   qlm_x11_probe move X Y          moves the pointer to X,Y of the screen
// The move goes through the X server's own pointer rather than XTest's, so
// that the input watch takes it for the user's; Xvfb has such a device
// although nothing drives it.
// Exit status: 0 done, 1 no display or log, 2 usage, or no such device.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 320, kHeight = 200;

struct Block { int x, y, width, height; unsigned long color; };

// The first block is the pattern's own ground, so the pattern is the same
// whatever the window shows around it.
constexpr Block kPattern[] = {
    {0, 0, 60, 30, 0x203080},  {4, 4, 16, 10, 0xE02020},  {24, 4, 14, 10, 0xF0E020}, {42, 16, 14, 10, 0x20C040},
    {2, 21, 36, 2, 0xFFFFFF},  {40, 2, 2, 26, 0x000000},  {44, 4, 12, 2, 0xFFFFFF},  {6, 25, 10, 3, 0xE02020},
};

struct Position { int x = 0, y = 0; };

struct Options {
  std::string title = "Probe";
  std::string className = "QlmProbe";
  std::string logPath = "/dev/null";
  std::string controlPath;
  unsigned long color = 0x336699;
  Position at{100, 100};
  Position size{kWidth, kHeight};
  bool placed = false;
  std::optional<Position> pattern;
  std::vector<std::pair<Position, std::string>> texts;
  bool inverted = false, ping = false, pid = true;
  long count = 0;
};

Position position(const char* text) {
  Position p;
  std::sscanf(text, "%d,%d", &p.x, &p.y);
  return p;
}

// "X,Y,TEXT": the text may hold commas.
std::pair<Position, std::string> text(const char* argument) {
  const std::string value = argument;
  const std::size_t second = value.find(',', value.find(',') + 1);
  return {position(argument), second == std::string::npos ? std::string() : value.substr(second + 1)};
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    bool hasValue = i + 1 < argc;
    if (option == "--title" && hasValue) options.title = argv[++i];
    else if (option == "--class" && hasValue) options.className = argv[++i];
    else if (option == "--log" && hasValue) options.logPath = argv[++i];
    else if (option == "--control" && hasValue) options.controlPath = argv[++i];
    else if (option == "--color" && hasValue) options.color = std::strtoul(argv[++i], nullptr, 16);
    else if (option == "--count" && hasValue) options.count = std::strtol(argv[++i], nullptr, 10);
    else if (option == "--at" && hasValue) options.at = position(argv[++i]), options.placed = true;
    else if (option == "--size" && hasValue) options.size = position(argv[++i]);
    else if (option == "--pattern" && hasValue) options.pattern = position(argv[++i]);
    else if (option == "--text" && hasValue) options.texts.push_back(text(argv[++i]));
    else if (option == "--inverted") options.inverted = true;
    else if (option == "--ping") options.ping = true;
    else if (option == "--no-pid") options.pid = false;
  }
  return options;
}

// The server's own pointer device, not XTest's.
XDevice* serverPointer(Display* display) {
  int count = 0;
  XDeviceInfo* devices = XListInputDevices(display, &count);
  XID found = 0;
  for (int i = 0; i < count && found == 0; ++i) {
    if (devices[i].use == IsXExtensionPointer && std::strstr(devices[i].name, "XTEST") == nullptr) found = devices[i].id;
  }
  XFreeDeviceList(devices);
  return found == 0 ? nullptr : XOpenDevice(display, found);
}

int movePointer(int argc, char** argv) {
  if (argc != 4 || std::string(argv[1]) != "move") {
    std::fputs("usage: qlm_x11_probe move X Y\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  XDevice* device = serverPointer(display);
  if (device != nullptr) {
    int axes[2] = {std::atoi(argv[2]), std::atoi(argv[3])};
    XTestFakeDeviceMotionEvent(display, device, False, 0, axes, 2, CurrentTime);
    XSync(display, False);
    XCloseDevice(display, device);
  } else {
    std::fputs("qlm_x11_probe: no pointer of the server's own\n", stderr);
  }
  XCloseDisplay(display);
  return device != nullptr ? 0 : 2;
}

long long monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

void paint(Display* display, Window window, GC gc, const Options& options, bool patternShown) {
  if (!options.texts.empty()) {
    XFontStruct* font = XLoadQueryFont(display, "10x20");
    if (font == nullptr) font = XLoadQueryFont(display, "fixed");
    if (font != nullptr) XSetFont(display, gc, font->fid);
    XSetForeground(display, gc, 0x000000);
    for (const auto& [at, text] : options.texts) {
      XDrawString(display, window, gc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    }
    if (font != nullptr) XFreeFont(display, font);
  }
  if (!options.pattern || !patternShown) return;
  for (const Block& block : kPattern) {
    XSetForeground(display, gc, options.inverted ? block.color ^ 0xFFFFFF : block.color);
    XFillRectangle(display, window, gc, options.pattern->x + block.x, options.pattern->y + block.y, block.width,
                   block.height);
  }
}

Window createWindow(Display* display, const Options& options) {
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), options.at.x, options.at.y,
                                      static_cast<unsigned>(std::max(options.size.x, 1)), static_cast<unsigned>(std::max(options.size.y, 1)),
                                      0, 0, options.color);
  XStoreName(display, window, options.title.c_str());
  XClassHint hint{const_cast<char*>("qlmprobe"), const_cast<char*>(options.className.c_str())};
  XSetClassHint(display, window, &hint);
  if (options.placed) {
    // Asked for by the user, so that the window manager keeps the place.
    XSizeHints size{};
    size.flags = USPosition | USSize;
    size.x = options.at.x;
    size.y = options.at.y;
    size.width = options.size.x;
    size.height = options.size.y;
    XSetWMNormalHints(display, window, &size);
  }
  if (options.pid) {
    long self = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&self), 1);
  }
  XSelectInput(display, window, KeyPressMask | ButtonPressMask | ExposureMask | StructureNotifyMask);
  return window;
}

int probeWindow(const Options& options) {
  FILE* log = std::fopen(options.logPath.c_str(), "w");
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || log == nullptr) return 1;
  Window window = createWindow(display, options);
  Atom protocols[] = {XInternAtom(display, "WM_DELETE_WINDOW", False), XInternAtom(display, "_NET_WM_PING", False)};
  XSetWMProtocols(display, window, protocols, options.ping ? 2 : 1);
  GC gc = XCreateGC(display, window, 0, nullptr);
  XMapWindow(display, window);
  XFlush(display);
  // Opened after the log, in the order in which the benchmark opens both.
  int control = options.controlPath.empty() ? -1 : open(options.controlPath.c_str(), O_RDONLY);
  bool patternShown = control < 0;
  std::string commands;
  bool ready = false;
  long keys = 0;
  for (;;) {
    if (control >= 0 && XPending(display) == 0) {
      pollfd sources[] = {{ConnectionNumber(display), POLLIN, 0}, {control, POLLIN, 0}};
      poll(sources, 2, -1);
      if (sources[1].revents != 0) {
        char buffer[64];
        ssize_t n = read(control, buffer, sizeof(buffer));
        if (n <= 0) break;
        commands.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = commands.find('\n')) != std::string::npos; commands.erase(0, end + 1)) {
          patternShown = commands.compare(0, end, "show") == 0;
          if (!patternShown) XClearWindow(display, window);
          paint(display, window, gc, options, patternShown);
          XSync(display, False);
          if (patternShown) std::fprintf(log, "shown %lld\n", monotonicNs());
          else std::fprintf(log, "hidden\n");
          std::fflush(log);
        }
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    const long long received = monotonicNs();
    if (event.type == Expose && event.xexpose.count == 0) {
      paint(display, window, gc, options, patternShown);
      // Drawn on the screen before anyone is told so.
      XSync(display, False);
      if (!ready) {
        ready = true;
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rootX, &rootY, &child);
        std::fprintf(log, "ready %d %d\n", rootX, rootY);
      }
    } else if (event.type == KeyPress) {
      ++keys;
      if (options.count == 0) {
        std::fprintf(log, "key %lx\n", XLookupKeysym(&event.xkey, (event.xkey.state & ShiftMask) ? 1 : 0));
      } else if (keys % options.count == 0) {
        std::fprintf(log, "count %ld\n", keys);
      }
    } else if (event.type == ButtonPress) {
      std::fprintf(log, "button %u %d %d %d %d\n", event.xbutton.button, event.xbutton.x, event.xbutton.y,
                   event.xbutton.x_root, event.xbutton.y_root);
      if (control >= 0) std::fprintf(log, "pressed %lld\n", received);
    } else if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
    } else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == protocols[1]) {
      event.xclient.window = RootWindow(display, DefaultScreen(display));
      XSendEvent(display, event.xclient.window, False, SubstructureNotifyMask | SubstructureRedirectMask, &event);
    } else if (event.type == DestroyNotify ||
               (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == protocols[0])) {
      break;
    }
    std::fflush(log);
  }
  XFreeGC(display, gc);
  if (control >= 0) close(control);
  std::fclose(log);
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') return movePointer(argc, argv);
  return probeWindow(parse(argc, argv));
}
