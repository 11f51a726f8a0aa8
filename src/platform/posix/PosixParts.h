#pragma once
// Platform parts that need no display server: processes, shell, user, clock
// and settings on a POSIX system.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Processes.h"
#include "platform/Settings.h"

namespace qlm {

std::unique_ptr<Processes> makePosixProcesses();
std::unique_ptr<Shell> makePosixShell();
std::unique_ptr<User> makePosixUser();
std::unique_ptr<Clock> makeSteadyClock();

// `$XDG_CONFIG_HOME/Quillmote/Quillmote.ini` (or ~/.config/...).
std::filesystem::path userSettingsPath();
inline const std::filesystem::path kMachineSettingsPath = "/etc/quillmote/quillmote.conf";
std::unique_ptr<Settings> makeIniSettings(std::filesystem::path userFile, std::filesystem::path machineFile);

// Words of a command line: blanks separate, double quotes group (and are
// dropped), a backslash before a double quote keeps the quote.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Executable file names of /proc/*/exe (or the command name when unreadable).
std::vector<std::string> listProcessExecutables(const std::filesystem::path& procRoot = "/proc");

}  // namespace qlm
