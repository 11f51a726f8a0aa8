#pragma once
// Running processes and started commands.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace qlm {

struct CommandResult {
  Status status;  // failure: the command could not be started (code = errno)
  std::optional<int> exitCode;  // when waited for
};

class Processes {
public:
  virtual ~Processes() = default;
  // File names of the executables of all running processes.
  virtual std::vector<std::string> runningExecutables() = 0;
  // Starts a command line (words split as a shell would, without expansion)
  // in `folder` (empty: the current one), waiting for its end or not.
  virtual CommandResult run(std::string_view commandLine, std::string_view folder, bool wait) = 0;
};

class Shell {
public:
  virtual ~Shell() = default;
  // Opens a file or an address with the desktop's associated program.
  virtual Status open(std::string_view target) = 0;
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
};

}  // namespace qlm
