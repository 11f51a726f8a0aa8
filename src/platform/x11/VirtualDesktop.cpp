#include "platform/x11/VirtualDesktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so that a terminal's Ctrl+C reaches us, not it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return error == 0 ? pid : -error;
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

// openbox names itself before it has finished starting, and a window mapped in
// between is never managed: it stays unmapped for good. The work area comes
// later, once it handles map requests.
bool windowManagerReady(Display* display) {
  return rootHasProperty(display, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) &&
         rootHasProperty(display, "_NET_WORKAREA", XA_CARDINAL);
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
  }
  x11::closeDisplay(display);
  return desktop;
}

VirtualDesktop::~VirtualDesktop() {
  stop(m_windowManagerPid);
  stop(m_serverPid);
}

}  // namespace qlm
