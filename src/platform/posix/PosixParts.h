#pragma once
// Platform parts that need no display server: processes, shell, user, clock
// and settings on a POSIX system.
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/LineProgram.h"
#include "platform/Processes.h"
#include "platform/Settings.h"
#include "platform/Outcome.h"

namespace qlm {

std::unique_ptr<Processes> makePosixProcesses();
std::unique_ptr<Shell> makePosixShell();
std::unique_ptr<User> makePosixUser();
std::unique_ptr<Clock> makeSteadyClock();
// Starts `words` (the program, then its arguments) with pipes to its standard
// input and output; its errors go nowhere. Ended (SIGTERM) with the object.
std::unique_ptr<LineProgram> startLineProgram(const std::vector<std::string>& words, std::string& error);

// `$XDG_CONFIG_HOME/Quillmote/Quillmote.ini` (or ~/.config/...).
std::filesystem::path userSettingsPath();
inline const std::filesystem::path kMachineSettingsPath = "/etc/quillmote/quillmote.conf";
std::unique_ptr<Settings> makeIniSettings(std::filesystem::path userFile, std::filesystem::path machineFile);

// Words of a command line, quoted as in a POSIX shell ('...', "...", a
// backslash) but with no expansion, operators, redirections or comments.
struct CommandWords {
  std::vector<std::string> words;
  std::string error;  // not empty: unbalanced quotes, no words, a NUL
};
CommandWords splitCommandLine(std::string_view commandLine);

// Executable file names of /proc/*/exe (or the command name when unreadable).
std::vector<std::string> listProcessExecutables(const std::filesystem::path& procRoot = "/proc");

// A login of the user database (utmp): who is logged in on which terminal.
struct TerminalSession {
  std::string user;
  std::string line;  // terminal below /dev, e.g. "pts/3"
};
std::vector<TerminalSession> loggedInSessions();

// Delivers a message to every terminal of `to` among `sessions` that accepts
// messages (mesg y), framed as write(1) frames it. Control characters of the
// message are shown as ^X so that it cannot steer the terminal.
Outcome writeToTerminals(std::span<const TerminalSession> sessions, std::string_view from, std::string_view to,
                        std::string_view message, const std::filesystem::path& devRoot = "/dev");

}  // namespace qlm
