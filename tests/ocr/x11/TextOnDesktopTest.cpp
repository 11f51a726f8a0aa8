// IfText and GetText through qlm play on a real X server: a client of ours
// shows known text, a recorded document reads it and clicks relative to it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../../imaging/x11/X11Recording.h"
#include "imaging/CaptureBuffer.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::readFile;
using testing::scratchFile;
using testing::waitFor;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::DesktopEnvironment);

constexpr const char* kClass = "QlmText";
constexpr const char* kQuickInput = "SetMouseSpeed(100); SetKeySpeed(100)";
// In the client's window: the image area IfText reads, and the recorded click
// on the word "Total" as it was drawn when recording. The text area lies 10
// pixels right of the image area, as recording places it.
constexpr int kAreaLeft = 10, kAreaTop = 20, kAreaRight = 149, kAreaBottom = 59;
constexpr Point kRecordedClick{25, 40};

class TextOnDesktopTest : public testing::DesktopTest {
 protected:
  void TearDown() override {
    client.client.reset();
    std::filesystem::remove(client.log);
    std::filesystem::remove(document);
  }

  // The client with its texts ("X,Y,TEXT", Y the baseline), in front; returns its window's picture.
  Picture show(const std::vector<std::string>& texts) {
    if (client.client) {
      client.client.reset();
      EXPECT_TRUE(waitFor([&] { return !platform->windows->exists(client.window); }));
    }
    std::vector<std::string> arguments{"--class", kClass, "--color", "FFFFFF", "--at", "200,150"};
    for (const std::string& text : texts) arguments.insert(arguments.end(), {"--text", text});
    client = startProbe("qlm text", arguments);
    EXPECT_TRUE(platform->windows->setForeground(client.window));
    EXPECT_TRUE(waitFor([&] { return platform->windows->foreground() == client.window; }));
    CaptureBuffer buffer;
    EXPECT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
    frame = buffer.screenArea();
    return buffer.picture();
  }

  // The window's own coordinates in the frame's picture.
  Point inFrame(Point p) const { return {p.x + client.origin.x - frame.left, p.y + client.origin.y - frame.top}; }

  void writeDocument(const std::string& instruction, const Picture& picture) {
    std::filesystem::remove(document);
    const Point topLeft = inFrame({kAreaLeft, kAreaTop});
    const Point bottomRight = inFrame({kAreaRight, kAreaBottom});
    for (const std::string& text : {std::string(kQuickInput), instruction}) {
      NewRecordFields fields;
      fields.kind = 'M';
      fields.text = text;
      fields.windowClass = kClass;
      fields.windowTitle = "qlm text";
      fields.click = inFrame(kRecordedClick);
      fields.imageArea = rectFromInclusive(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
      testing::appendRecord(document, fields, picture);
    }
  }

  // qlm play on this desktop, with `during` run beside it.
  testing::ProgramRun play(const std::function<void()>& during = [] {}) {
    std::thread beside(during);
    testing::ProgramRun run = testing::runProgram({QLM_BINARY, "play", document}, display);
    beside.join();
    return run;
  }

  testing::ProbeLog clientLog() const { return testing::probeLog(client.log); }

  std::string document = scratchFile("text.qlm").string();
  Probe client;
  Rect frame;
};

TEST_F(TextOnDesktopTest, IfTextFindsTheTextAndClicksRelativeToIt) {
  writeDocument(R"(IfText("Total",5,"V[LBUTTON]","notfound"))", show({"22,50,Total"}));
  // Played with the word 60 pixels further right inside the area.
  show({"82,50,Total"});
  const testing::ProgramRun played = play();
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_THAT(played.err, ::testing::HasSubstr("Quillmote: Total"));
  ASSERT_TRUE(waitFor([&] { return !clientLog().clicks.empty(); })) << readFile(client.log) << played.err;
  const Point click = clientLog().clicks.front().second;
  // The recorded click lay 3 pixels right of the area's left edge at the word's start.
  EXPECT_NEAR(click.x, kRecordedClick.x + 60 + 12, 4);
  EXPECT_NEAR(click.y, kRecordedClick.y + 12, 6);
  EXPECT_EQ(clientLog().typed, "");
}

// The End key, sent through XTEST as xdotool sends it, ends a wait without limit and neither branch runs.
TEST_F(TextOnDesktopTest, TheEndKeyEndsAWaitForTextThatNeverAppears) {
  writeDocument(R"(IfText("Total",-1,"V[LBUTTON]","no"))", show({"22,50,Price"}));
  const testing::ProgramRun ended = play([&] {
    std::this_thread::sleep_for(1500ms);
    testing::Client key({"xdotool", "key", "End"}, display);
    EXPECT_EQ(key.waitForExit(5s), 0);
  });
  EXPECT_EQ(ended.status, 1) << ended.err;
  EXPECT_THAT(ended.err, ::testing::HasSubstr("[IfText "));
  EXPECT_EQ(clientLog().typed, "");
  EXPECT_THAT(clientLog().clicks, ::testing::IsEmpty());
}

}  // namespace
}  // namespace qlm
