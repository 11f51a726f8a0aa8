#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utmpx.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/TextEncoding.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

// Names as the user database allows them; anything else is nobody here.
bool isLocalUserName(std::string_view name) {
  if (name.empty() || name.size() > 32) return false;
  for (unsigned char c : name) {
    if (!(std::isalnum(c) || c == '.' || c == '_' || c == '-')) return false;
  }
  return name.front() != '-';
}

bool isSafeLine(std::string_view line) {
  return !line.empty() && line.front() != '/' && line.find("..") == std::string_view::npos;
}

// Windows-1252 bytes with no glyph and the ASCII controls would otherwise
// reach the terminal as commands.
std::string printable(std::string_view message) {
  std::string shown;
  for (unsigned char c : message) {
    bool undefined = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
    if (c == '\n') {
      shown += "\r\n";
    } else if (c == '\t') {
      shown += c;
    } else if (c < 0x20 || c == 0x7F) {
      shown += '^';
      shown += static_cast<char>(c ^ 0x40);
    } else if (undefined) {
      shown += '?';
    } else {
      shown += static_cast<char>(c);
    }
  }
  return utf8FromCp1252(shown);
}

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "localhost";
  return name;
}

std::string framed(std::string_view from, std::string_view message) {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d", parts.tm_hour, parts.tm_min);
  std::string text = "\r\n\a\a\aMessage from " + printable(from) + "@" + hostName() + " on quillmote at " + clock +
                     " ...\r\n";
  text += printable(message);
  if (!message.empty() && message.back() != '\n') text += "\r\n";
  text += "EOF\r\n";
  return text;
}

enum class Delivery { Written, Refused, Failed };

Delivery writeToTerminal(const std::filesystem::path& path, const std::string& text) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return Delivery::Failed;
  if ((info.st_mode & S_IWGRP) == 0) return Delivery::Refused;  // mesg n
  int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EACCES || errno == EPERM ? Delivery::Refused : Delivery::Failed;
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return done == text.size() ? Delivery::Written : Delivery::Failed;
}

}  // namespace

std::vector<TerminalSession> loggedInSessions() {
  // The user database is read through one static cursor.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::vector<TerminalSession> sessions;
  setutxent();
  while (const utmpx* entry = getutxent()) {
    if (entry->ut_type != USER_PROCESS) continue;
    sessions.push_back({std::string(entry->ut_user, strnlen(entry->ut_user, sizeof entry->ut_user)),
                        std::string(entry->ut_line, strnlen(entry->ut_line, sizeof entry->ut_line))});
  }
  endutxent();
  return sessions;
}

Outcome writeToTerminals(std::span<const TerminalSession> sessions, std::string_view from, std::string_view to,
                        std::string_view message, const std::filesystem::path& devRoot) {
  if (to.empty()) return Outcome::failure("A parameter is invalid", kMessageInvalidParameter);
  if (!isLocalUserName(to)) return Outcome::failure("Name not found...", kMessageNameNotFound);
  const std::string text = framed(from, message);
  int found = 0, written = 0, refused = 0;
  for (const TerminalSession& session : sessions) {
    if (session.user != to || !isSafeLine(session.line)) continue;
    ++found;
    switch (writeToTerminal(devRoot / session.line, text)) {
      case Delivery::Written: ++written; break;
      case Delivery::Refused: ++refused; break;
      case Delivery::Failed: break;
    }
  }
  if (written > 0) return Outcome::success();
  if (found == 0) return Outcome::failure("Name not found...", kMessageNameNotFound);
  if (refused > 0) return Outcome::failure("The user has no rights", kMessageNoRights);
  return Outcome::failure("Network error...", kMessageNetworkError);
}

}  // namespace qlm
