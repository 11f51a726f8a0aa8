#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/IniFile.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

std::optional<std::string> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// Written beside the old file and renamed over it, so that a failed write
// never leaves half a settings file. The temporary file gets a fresh name
// (mkostemp: O_EXCL), never one a link planted beforehand leads from.
bool writeFileAtomically(const std::filesystem::path& path, const std::string& text) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::string temporary = path.string() + ".XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t done = 0; written && done < text.size();) {
    ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    written = put > 0;
    if (written) done += static_cast<std::size_t>(put);
  }
  written = ::close(fd) == 0 && written;
  if (written) std::filesystem::rename(temporary, path, error);
  if (!written || error) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

class IniSettings final : public Settings {
public:
  IniSettings(std::filesystem::path userFile, std::filesystem::path machineFile)
      : m_userFile(std::move(userFile)), m_machineFile(std::move(machineFile)) {}

  std::optional<std::string> readString(std::string_view section, std::string_view entry) override {
    auto text = readFile(m_userFile);
    return text ? IniFile(*text).get(section, entry) : std::nullopt;
  }

  bool writeString(std::string_view section, std::string_view entry, std::string_view value) override {
    IniFile file(readFile(m_userFile).value_or(""));
    file.set(section, entry, value);
    return writeFileAtomically(m_userFile, file.text());
  }

  std::optional<std::string> machineValue(std::string_view name) override {
    auto text = readFile(m_machineFile);
    return text ? IniFile(*text).getAnywhere(name) : std::nullopt;
  }

private:
  std::filesystem::path m_userFile;
  std::filesystem::path m_machineFile;
};

}  // namespace

std::filesystem::path userSettingsPath() {
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "Quillmote" / "Quillmote.ini";
}

std::unique_ptr<Settings> makeIniSettings(std::filesystem::path userFile, std::filesystem::path machineFile) {
  return std::make_unique<IniSettings>(std::move(userFile), std::move(machineFile));
}

}  // namespace qlm
