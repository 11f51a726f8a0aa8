#include "platform/x11/VirtualDesktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/x11/X11Connection.h"

extern char** environ;

namespace qlm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(15);

// Forked rather than posix_spawn'ed: the child asks the kernel for SIGTERM
// when the thread that started it ends, so that no signal that ends this
// program (SIGKILL included) leaves the desktop running. Between fork and exec
// the child makes only async-signal-safe calls. A failed exec sends its errno
// through a pipe that the exec closes.
int spawn(std::vector<std::string> arguments, const std::vector<std::string>& extraEnvironment) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment(extraEnvironment);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "DISPLAY=", 8) != 0) environment.emplace_back(*entry);
  }
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -errno;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return -error;
  }
  if (pid == 0) {
    close(report[0]);
    // Its own process group, so that a terminal's Ctrl+C reaches us, not it.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    execvpe(argv[0], argv.data(), envp.data());
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t length = 0;
  do {
    length = read(report[0], &error, sizeof error);
  } while (length < 0 && errno == EINTR);
  close(report[0]);
  if (length == static_cast<ssize_t>(sizeof error)) {
    waitpid(pid, nullptr, 0);
    return -error;
  }
  return pid;
}

void stop(int pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  auto deadline = Clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool exited(int pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

// Xvfb writes its display number to the descriptor given with -displayfd.
std::string readDisplayNumber(int fd, int serverPid) {
  std::string number;
  auto deadline = Clock::now() + kStartTimeout;
  while (Clock::now() < deadline) {
    pollfd poller{fd, POLLIN, 0};
    if (poll(&poller, 1, 100) > 0) {
      char buffer[32];
      ssize_t length = read(fd, buffer, sizeof(buffer));
      if (length <= 0) break;
      number.append(buffer, static_cast<std::size_t>(length));
      if (number.find('\n') != std::string::npos) break;
    } else if (exited(serverPid)) {
      break;
    }
  }
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  return number;
}

bool rootHasProperty(Display* display, const char* name, Atom type) {
  Atom property = XInternAtom(display, name, False);
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, type, &actualType, &format, &count,
                     &after, &data);
  if (data != nullptr) XFree(data);
  return count > 0;
}

// openbox names itself and sets the work area once it redirects map requests;
// until then a window would be mapped without it.
bool windowManagerReady(Display* display) {
  return rootHasProperty(display, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) &&
         rootHasProperty(display, "_NET_WORKAREA", XA_CARDINAL);
}

bool viewable(Display* display, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

// Even after the work area, a map request can still reach openbox while it finishes starting
// and be lost. A window of our own that it maps, asked again until it does, shows that later
// windows will be managed.
bool windowManagerMapsWindows(Display* display, Clock::time_point deadline) {
  constexpr auto kAskAgainAfter = std::chrono::milliseconds(250);
  const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  bool mapped = false;
  while (!mapped && Clock::now() < deadline) {
    XMapWindow(display, probe);
    XSync(display, False);
    const auto askAgain = Clock::now() + kAskAgainAfter;
    while (!(mapped = viewable(display, probe)) && Clock::now() < askAgain) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  XDestroyWindow(display, probe);
  XSync(display, False);
  return mapped;
}

}  // namespace

std::unique_ptr<VirtualDesktop> VirtualDesktop::start(const Options& options, std::string& error) {
  std::unique_ptr<VirtualDesktop> desktop(new VirtualDesktop());
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    error = "Cannot create a pipe for Xvfb.";
    return nullptr;
  }
  fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
  std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) + "x" +
                       std::to_string(options.depth);
  int pid = spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", screen, "-nolisten", "tcp",
                   "-noreset"},
                  {});
  close(pipeFds[1]);
  if (pid < 0) {
    close(pipeFds[0]);
    error = "Cannot start Xvfb: " + std::string(std::strerror(-pid));
    return nullptr;
  }
  desktop->m_serverPid = pid;
  std::string number = readDisplayNumber(pipeFds[0], pid);
  close(pipeFds[0]);
  if (number.empty()) {
    error = "Xvfb did not start.";
    return nullptr;
  }
  desktop->m_display = ":" + number;

  Display* display = x11::openDisplay(desktop->m_display);
  if (display == nullptr) {
    error = "Cannot connect to the virtual desktop " + desktop->m_display + ".";
    return nullptr;
  }
  if (options.windowManager) {
    int wm = spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + desktop->m_display});
    if (wm < 0) {
      x11::closeDisplay(display);
      error = "Cannot start openbox: " + std::string(std::strerror(-wm));
      return nullptr;
    }
    desktop->m_windowManagerPid = wm;
    auto deadline = Clock::now() + kStartTimeout;
    while (!windowManagerReady(display)) {
      if (Clock::now() > deadline || exited(wm)) {
        desktop->m_windowManagerPid = 0;
        x11::closeDisplay(display);
        error = "The window manager did not start.";
        return nullptr;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!windowManagerMapsWindows(display, deadline)) {
      x11::closeDisplay(display);
      error = "The window manager did not start.";
      return nullptr;
    }
  }
  x11::closeDisplay(display);
  return desktop;
}

VirtualDesktop::~VirtualDesktop() {
  stop(m_windowManagerPid);
  stop(m_serverPid);
}

}  // namespace qlm
