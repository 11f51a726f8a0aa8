// The quillmote program itself on a private virtual desktop: an unattended
// playback into a real xterm that ends the program, and a command line in
// error shown at the first paint.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "../../platform/x11/X11Fixture.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::DesktopEnvironment;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

// quillmote with its standard error in a file; stopped by its own id when the case fails.
class Quillmote {
 public:
  Quillmote(std::vector<std::string> arguments, const std::filesystem::path& errors) {
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
  ~Quillmote() {
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

void writeDocument(const std::string& path, const std::vector<std::string>& instructions) {
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
    record.setText(TextField::WindowTitle, "qlm typed");
    snapshot.setCapture(picture);
    std::string where = path;
    ASSERT_TRUE(snapshot.appendRecord(where, record).ok);
  }
}

TEST(QuillmoteOnDesktopTest, PlaysIntoAnXtermAndEndsWithThePlayback) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  auto typed = scratchFile("typed.txt");
  std::filesystem::remove(typed);
  Client xterm({"xterm", "-T", "qlm typed", "-e", "sh", "-c", "cat > '" + typed.string() + "'"}, display);
  ASSERT_TRUE(waitFor([&] { return platform.windows->findWindow("XTerm", "qlm typed") != kNoWindow; }, 20s));
  std::string document = scratchFile("played.qlm").string();
  writeDocument(document, {"\"Hello from the window\"&\"V[RETURN]\"", "$N=6*7; \"N=\"&$N&\"V[RETURN]\""});

  Quillmote program({document, "/play", "/close", "/nosound"}, scratchFile("played.err"));
  EXPECT_EQ(program.exitStatus(60s), 0) << readFile(scratchFile("played.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == "Hello from the window\nN=42\n"; })) << readFile(typed);
}

TEST(QuillmoteOnDesktopTest, InvalidCommandIsShownAndTheProgramEnds) {
  Platform& platform = *SharedDesktop::platform();
  auto errors = scratchFile("bogus.err");
  Quillmote program({"bad.qlm", "/bogus"}, errors);
  ASSERT_TRUE(waitFor([&] { return readFile(errors).find("Quillmote: Invalid command /bogus\n") != std::string::npos; },
                      20s))
      << readFile(errors);
  WindowId message = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (message = platform.windows->findWindow(std::nullopt, "Quillmote")) != kNoWindow; },
                      10s));
  // The user acknowledges the message; nothing else is left open.
  Client key({"xdotool", "windowactivate", "--sync", std::to_string(message), "key", "Return"},
             SharedDesktop::desktop()->display());
  EXPECT_EQ(program.exitStatus(20s), 0);
}

}  // namespace
}  // namespace qlm
