#pragma once
// Running processes and started commands.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Outcome.h"

namespace qlm {

struct CommandResult {
  Outcome status;  // failure: the command could not be started (code = errno)
  std::optional<int> exitCode;  // when waited for
};

class Processes {
public:
  virtual ~Processes() = default;
  // File names of the executables of all running processes.
  virtual std::vector<std::string> runningExecutables() = 0;
  // Starts the program of a command line, without a shell: the line is split
  // into words with a shell's quotes but nothing is expanded or redirected.
  // Runs in `folder` (empty: the current one), waiting for its end or not.
  // The command line is the system's (UTF-8) text.
  virtual CommandResult run(std::string_view commandLine, std::string_view folder, bool wait) = 0;
};

class Shell {
public:
  virtual ~Shell() = default;
  // Opens a file or an address with the desktop's associated program.
  virtual Outcome open(std::string_view target) = 0;
};

enum class ProgramSound { Hello = 134, Ok = 141, Help = 142 };

class Sound {
public:
  virtual ~Sound() = default;
  // Both return at once; silent but successful without an audio device.
  virtual void beep(int frequency, int milliseconds) = 0;
  virtual void play(ProgramSound sound) = 0;
};

class User {
public:
  virtual ~User() = default;
  virtual std::string userName() = 0;
  // Shows `message` (Windows-1252) on the terminals of the logged-in user
  // `to`, as write(1) does. Failure codes: kMessage... below.
  virtual Outcome sendMessage(std::string_view from, std::string_view to, std::string_view message);
};

// Why a message could not be delivered, with the codes of the network messenger.
inline constexpr int kMessageNoRights = 5;
inline constexpr int kMessageInvalidParameter = 87;
inline constexpr int kMessageNotSupported = 50;
inline constexpr int kMessageNameNotFound = 2273;
inline constexpr int kMessageNetworkError = 2136;

}  // namespace qlm
