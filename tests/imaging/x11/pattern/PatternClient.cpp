// A plain X client for the image-search tests: one window of a given title and
// class at a given place, showing a 60 x 30 pattern of coloured blocks and
// lines at a given offset (or its colour-inverted copy, or nothing), that
// writes what it receives to a log file, one line each:
//   ready <window x on screen> <window y on screen> | button <n> <x> <y> | key <character>
// Options: --title T --class C --at X,Y --pattern X,Y --inverted --no-pattern --log FILE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr unsigned long kBackground = 0xD0D0D0;
constexpr int kWidth = 320;
constexpr int kHeight = 200;

struct Block {
  int x, y, width, height;
  unsigned long color;
};

// The first block is the pattern's own ground, so the pattern is the same
// whatever the window shows around it.
constexpr Block kPattern[] = {
    {0, 0, 60, 30, 0x203080},  {4, 4, 16, 10, 0xE02020},  {24, 4, 14, 10, 0xF0E020}, {42, 16, 14, 10, 0x20C040},
    {2, 21, 36, 2, 0xFFFFFF},  {40, 2, 2, 26, 0x000000},  {44, 4, 12, 2, 0xFFFFFF},  {6, 25, 10, 3, 0xE02020},
};

struct Options {
  std::string title = "Pattern";
  std::string className = "QlmPattern";
  std::string logPath = "/dev/null";
  int x = 100, y = 100;
  int patternX = 20, patternY = 20;
  bool inverted = false;
  bool pattern = true;
};

bool pair(const char* text, int& a, int& b) { return std::sscanf(text, "%d,%d", &a, &b) == 2; }

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    bool hasValue = i + 1 < argc;
    if (option == "--title" && hasValue) options.title = argv[++i];
    else if (option == "--class" && hasValue) options.className = argv[++i];
    else if (option == "--log" && hasValue) options.logPath = argv[++i];
    else if (option == "--at" && hasValue) pair(argv[++i], options.x, options.y);
    else if (option == "--pattern" && hasValue) pair(argv[++i], options.patternX, options.patternY);
    else if (option == "--inverted") options.inverted = true;
    else if (option == "--no-pattern") options.pattern = false;
  }
  return options;
}

void paint(Display* display, Window window, GC gc, const Options& options) {
  XSetForeground(display, gc, kBackground);
  XFillRectangle(display, window, gc, 0, 0, kWidth, kHeight);
  if (!options.pattern) return;
  for (const Block& block : kPattern) {
    XSetForeground(display, gc, options.inverted ? block.color ^ 0xFFFFFF : block.color);
    XFillRectangle(display, window, gc, options.patternX + block.x, options.patternY + block.y, block.width,
                   block.height);
  }
}

Window createWindow(Display* display, const Options& options) {
  int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), options.x, options.y, kWidth, kHeight, 0,
                                      0, kBackground);
  XStoreName(display, window, options.title.c_str());
  XClassHint hint{const_cast<char*>("qlmpattern"), const_cast<char*>(options.className.c_str())};
  XSetClassHint(display, window, &hint);
  // Asked for by the user, so that the window manager keeps the place.
  XSizeHints size{};
  size.flags = USPosition | USSize;
  size.x = options.x;
  size.y = options.y;
  size.width = kWidth;
  size.height = kHeight;
  XSetWMNormalHints(display, window, &size);
  long self = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&self), 1);
  XSelectInput(display, window, KeyPressMask | ButtonPressMask | ExposureMask | StructureNotifyMask);
  return window;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  FILE* log = std::fopen(options.logPath.c_str(), "w");
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || log == nullptr) return 1;
  Window window = createWindow(display, options);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  GC gc = XCreateGC(display, window, 0, nullptr);
  XMapWindow(display, window);
  bool ready = false;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.count == 0) {
      paint(display, window, gc, options);
      // Drawn on the screen before anyone is told so.
      XSync(display, False);
      if (!ready) {
        ready = true;
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rootX, &rootY, &child);
        std::fprintf(log, "ready %d %d\n", rootX, rootY);
      }
    } else if (event.type == ButtonPress) {
      std::fprintf(log, "button %u %d %d\n", event.xbutton.button, event.xbutton.x, event.xbutton.y);
    } else if (event.type == KeyPress) {
      char text[8] = {};
      KeySym keysym = 0;
      if (XLookupString(&event.xkey, text, sizeof(text) - 1, &keysym, nullptr) == 1 && text[0] > ' ') {
        std::fprintf(log, "key %c\n", text[0]);
      }
    } else if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
    } else if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
      break;
    } else if (event.type == DestroyNotify) {
      break;
    }
    std::fflush(log);
  }
  XFreeGC(display, gc);
  std::fclose(log);
  XCloseDisplay(display);
  return 0;
}
