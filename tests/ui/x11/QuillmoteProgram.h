#pragma once
// The quillmote program on the shared virtual desktop.
#include <fcntl.h>

#include <optional>

#include "../../platform/x11/X11Fixture.h"
#include "document/RecordImage.h"
#include "document/Snapshot.h"

namespace qlm::testing {

// quillmote with its standard error in a file; stopped by its own id when the case fails.
class QuillmoteProgram {
 public:
  QuillmoteProgram(std::vector<std::string> arguments, const std::filesystem::path& errors) {
    arguments.insert(arguments.begin(), QLM_QUILLMOTE);
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string config = scratchFile("config").string();
    std::vector<std::string> environment{"DISPLAY=" + SharedDesktop::desktop()->display(),
                                         "PATH=/usr/bin:/bin",
                                         "HOME=" + std::filesystem::temp_directory_path().string(),
                                         "XDG_CONFIG_HOME=" + config,
                                         "QT_QPA_PLATFORM=xcb",
                                         "ASAN_OPTIONS=detect_leaks=0"};
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) m_pid = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~QuillmoteProgram() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }
  // The exit status once the program ended within `limit`.
  std::optional<int> exitStatus(std::chrono::milliseconds limit) {
    std::optional<int> status;
    waitFor([&] {
      int raw = 0;
      if (m_pid <= 0 || waitpid(m_pid, &raw, WNOHANG) != m_pid) return false;
      m_pid = 0;
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      return true;
    }, limit);
    return status;
  }

 private:
  pid_t m_pid = 0;
};

// A document whose records type into the xterm titled `title`.
inline void writeDocument(const std::string& path, const std::string& title, const std::vector<std::string>& instructions) {
  std::filesystem::remove(path);
  Picture picture;
  picture.width = picture.height = 8;
  picture.pixels.assign(picture.pixelBytes(), 0x40);
  Snapshot snapshot;
  for (const std::string& instruction : instructions) {
    NewRecordFields fields;
    fields.text = instruction;
    fields.areaWidth = fields.areaHeight = 400;
    fields.pictureWidth = fields.pictureHeight = picture.width;
    RecordImage record = makeNewRecord(fields);
    record.setText(TextField::WindowClass, "XTerm");
    record.setText(TextField::WindowTitle, title);
    snapshot.setCapture(picture);
    std::string where = path;
    ASSERT_TRUE(snapshot.appendRecord(where, record).ok);
  }
}

}  // namespace qlm::testing
