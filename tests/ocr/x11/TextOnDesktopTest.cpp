// IfText and GetText through qlm play on a real X server: a client of ours
// shows known text, a recorded document reads it and clicks relative to it.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "../../platform/x11/X11Fixture.h"
#include "document/RecordImage.h"
#include "document/Snapshot.h"
#include "imaging/CaptureBuffer.h"

extern char** environ;

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

constexpr const char* kClass = "QlmText";
constexpr const char* kQuickInput = "SetMouseSpeed(100); SetKeySpeed(100)";
// In the client's window: the image area IfText reads, and the recorded click
// on the word "Total" as it was drawn when recording. The text area lies 10
// pixels right of the image area, as recording places it.
constexpr int kAreaLeft = 10, kAreaTop = 20, kAreaRight = 149, kAreaBottom = 59;
constexpr Point kRecordedClick{25, 40};

struct ClientLog {
  std::vector<Point> clicks;  // in the window
  std::string typed;
};

ClientLog parseLog(const std::string& text) {
  ClientLog log;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "button") {
      int button = 0;
      Point at;
      words >> button >> at.x >> at.y;
      log.clicks.push_back(at);
    } else if (kind == "key") {
      std::string keysym;
      words >> keysym;
      const unsigned long code = std::stoul(keysym, nullptr, 16);
      if (code > ' ' && code < 0x7F) log.typed += static_cast<char>(code);
    }
  }
  return log;
}

struct Played {
  int status = -1;
  std::string err;
};

class TextOnDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedDesktop::platform());
    platform = SharedDesktop::platform().get();
    display = SharedDesktop::desktop()->display();
    std::filesystem::remove(document);
  }
  void TearDown() override {
    client.reset();
    std::filesystem::remove(document);
    std::filesystem::remove(log);
  }

  // The client with its texts ("X,Y,TEXT", Y the baseline), in front; returns its window's picture.
  Picture show(const std::vector<std::string>& texts) {
    std::filesystem::remove(log);
    std::vector<std::string> arguments{QLM_PROBE_CLIENT, "--title", "qlm text", "--class", kClass, "--color",
                                       "FFFFFF", "--log", log.string(), "--at", "200,150"};
    for (const std::string& text : texts) arguments.insert(arguments.end(), {"--text", text});
    client = std::make_unique<Client>(arguments, display);
    EXPECT_TRUE(waitFor([&] { return readFile(log).starts_with("ready "); }));
    std::istringstream(readFile(log).substr(6)) >> origin.x >> origin.y;
    window = platform->windows->findWindow(kClass, "qlm text");
    EXPECT_TRUE(platform->windows->setForeground(window));
    EXPECT_TRUE(waitFor([&] { return platform->windows->foreground() == window; }));
    CaptureBuffer buffer;
    EXPECT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
    frame = buffer.screenArea();
    return buffer.picture();
  }

  // The window's own coordinates in the frame's picture.
  Point inFrame(Point p) const { return {p.x + origin.x - frame.left, p.y + origin.y - frame.top}; }

  void appendRecord(const std::string& text, const Picture& picture) {
    NewRecordFields fields;
    fields.kind = 'M';
    fields.text = text;
    fields.windowClass = kClass;
    fields.windowTitle = "qlm text";
    fields.click = inFrame(kRecordedClick);
    const Point topLeft = inFrame({kAreaLeft, kAreaTop});
    const Point bottomRight = inFrame({kAreaRight, kAreaBottom});
    fields.imageArea = rectFromInclusive(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    fields.areaWidth = fields.pictureWidth = picture.width;
    fields.areaHeight = fields.pictureHeight = picture.height;
    Snapshot snapshot;
    snapshot.setCapture(picture);
    std::string path = document;
    ASSERT_TRUE(snapshot.beginAppend(path)) << snapshot.message();
    fields.firstRecordOfFile = snapshot.count() == 0;
    ASSERT_TRUE(snapshot.appendRecordImage(makeNewRecord(fields))) << snapshot.message();
    ASSERT_TRUE(snapshot.appendPicture()) << snapshot.message();
    ASSERT_TRUE(snapshot.finishAppend()) << snapshot.message();
  }

  void writeDocument(const std::string& instruction, const Picture& picture) {
    appendRecord(kQuickInput, picture);
    appendRecord(instruction, picture);
  }

  // qlm play on this desktop; `during` runs while it plays.
  Played play(const std::function<void()>& during = {}) {
    const std::filesystem::path errors = scratchFile("qlm-play.err");
    std::vector<std::string> argv{QLM_BINARY, "play", document};
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    std::vector<std::string> environment{"DISPLAY=" + display, "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8",
                                         "HOME=" + std::filesystem::temp_directory_path().string()};
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string_view entry(*e);
      if (entry.starts_with("ASAN_OPTIONS=") || entry.starts_with("UBSAN_OPTIONS=")) environment.emplace_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Played played;
    pid_t pid = 0;
    if (posix_spawn(&pid, QLM_BINARY, &actions, nullptr, pointers.data(), envp.data()) == 0) {
      if (during) during();
      int status = 0;
      // A playback that does not end is a failure, not a hung test.
      const bool ended = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30s);
      if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
      }
      played.status = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    played.err = readFile(errors);
    std::filesystem::remove(errors);
    return played;
  }

  ClientLog clientLog() const { return parseLog(readFile(log)); }

  Platform* platform = nullptr;
  std::string display;
  std::string document = scratchFile("text.qlm").string();
  std::filesystem::path log = scratchFile("text-client.log");
  std::unique_ptr<Client> client;
  WindowId window = kNoWindow;
  Point origin;
  Rect frame;
};

TEST_F(TextOnDesktopTest, IfTextFindsTheTextAndClicksRelativeToIt) {
  writeDocument(R"(IfText("Total",5,"V[LBUTTON]","notfound"))", show({"22,50,Total"}));
  client.reset();
  // Played with the word 60 pixels further right inside the area.
  show({"82,50,Total"});
  const Played played = play();
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_THAT(played.err, ::testing::HasSubstr("Quillmote: Total"));
  ASSERT_TRUE(waitFor([&] { return !clientLog().clicks.empty(); })) << readFile(log) << played.err;
  const Point click = clientLog().clicks.front();
  // The recorded click lay 3 pixels right of the area's left edge at the word's start.
  EXPECT_NEAR(click.x, kRecordedClick.x + 60 + 12, 4);
  EXPECT_NEAR(click.y, kRecordedClick.y + 12, 6);
  EXPECT_EQ(clientLog().typed, "");
}

TEST_F(TextOnDesktopTest, GetTextTypesTheTextAreasTextWithItsVerdict) {
  const Picture picture = show({"22,50,Price", "172,50,Total"});
  writeDocument(R"(GetText("TOTAL"))", picture);
  const Played played = play();
  EXPECT_EQ(played.status, 0) << played.err;
  ASSERT_TRUE(waitFor([&] { return clientLog().typed.ends_with(":OK"); })) << readFile(log) << played.err;
  EXPECT_EQ(clientLog().typed, "Total:OK");
}

TEST_F(TextOnDesktopTest, TextThatNeverAppearsEndsAtTheLimitOrWithTheEndKey) {
  const Picture picture = show({"22,50,Price"});
  writeDocument(R"(IfText("Total",1,"V[LBUTTON]","no"))", picture);
  const auto start = std::chrono::steady_clock::now();
  const Played limited = play();
  EXPECT_EQ(limited.status, 0) << limited.err;
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
  ASSERT_TRUE(waitFor([&] { return clientLog().typed == "no"; })) << readFile(log) << limited.err;

  std::filesystem::remove(document);
  writeDocument(R"(IfText("Total",-1,"V[LBUTTON]","no"))", picture);
  const Played ended = play([&] {
    std::this_thread::sleep_for(1500ms);
    std::string environment = "DISPLAY=" + display;
    char* envp[] = {environment.data(), nullptr};
    const char* argv[] = {"xdotool", "key", "End", nullptr};
    pid_t key = 0;
    ASSERT_EQ(posix_spawnp(&key, argv[0], nullptr, nullptr, const_cast<char**>(argv), envp), 0);
    waitpid(key, nullptr, 0);
  });
  EXPECT_EQ(ended.status, 1) << ended.err;
  EXPECT_THAT(ended.err, ::testing::HasSubstr("[IfText "));
  EXPECT_EQ(clientLog().typed, "no");
  EXPECT_THAT(clientLog().clicks, ::testing::IsEmpty());
}

}  // namespace
}  // namespace qlm
