// IfImage and IfShape on a real X server: a client of ours paints a pattern,
// its window is recorded, and playback must find the pattern again where the
// client paints it the next time and click there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "X11Recording.h"
#include "imaging/CaptureBuffer.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::readFile;
using testing::scratchFile;
using testing::waitFor;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::DesktopEnvironment);

constexpr const char* kClass = "QlmPattern";
// The recorded click, from the pattern's top-left: on its yellow block.
constexpr Point kClickOffset{31, 9};
// Appended to the recorder's first record (colour tolerance 5), so that the
// pointer and the keys do not take seconds.
constexpr const char* kQuickInput = "SetMouseSpeed(100); SetKeySpeed(100)";
constexpr const char* kClickOnPattern = R"(IfImage(5,"V[LBUTTON]","notfound"))";

// What recording keeps: the picture, the image area around the pattern and
// the click inside it, in the picture's coordinates.
struct Recorded {
  Picture picture;
  Rect area;
  Point click;
};

std::uint32_t pixel(const Picture& picture, Point at) {
  if (at.x < 0 || at.y < 0 || at.x >= picture.width || at.y >= picture.height) return 0xFFFFFFFF;
  const std::uint8_t* p = picture.rowFromTop(at.y) + 4 * at.x;
  return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

std::string pair(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

class ImageSearchX11Test : public testing::DesktopTest {
 protected:
  void TearDown() override {
    std::filesystem::remove(document);
    for (const auto& log : logs) std::filesystem::remove(log);
  }

  // Our client with its window at `at`, and the 60 x 30 pattern at `pattern` of it unless that is empty.
  Probe startClient(const std::string& title, Point at, std::optional<Point> pattern) {
    std::vector<std::string> arguments{"--class", kClass, "--color", "D0D0D0", "--at", pair(at)};
    if (pattern) arguments.insert(arguments.end(), {"--pattern", pair(*pattern)});
    Probe probe = startProbe(title, arguments);
    logs.push_back(probe.log);
    return probe;
  }

  // The pattern of a client in front, as the recorder takes it; the client is stopped then.
  Recorded record(const std::string& title, CaptureSource source = CaptureSource::ForegroundWindow) {
    Probe client = startClient(title, {100, 100}, Point{20, 20});
    EXPECT_TRUE(platform->windows->setForeground(client.window));
    EXPECT_TRUE(waitFor([&] { return platform->windows->foreground() == client.window; }));
    CaptureBuffer buffer;
    EXPECT_TRUE(buffer.captureScreen(*platform, source));
    const Rect frame = buffer.screenArea();
    EXPECT_TRUE(source != CaptureSource::ForegroundWindow || platform->windows->rect(client.window) == frame);
    const Point at{client.origin.x - frame.left + 20, client.origin.y - frame.top + 20};
    Recorded recorded{buffer.picture(), Rect::fromSize(at.x, at.y, 60, 30), {at.x + kClickOffset.x, at.y + kClickOffset.y}};
    // The picture shows the pattern where the area says: the ground, the red block, the yellow one.
    EXPECT_EQ(pixel(recorded.picture, at), 0x203080u);
    EXPECT_EQ(pixel(recorded.picture, {at.x + 5, at.y + 5}), 0xE02020u);
    EXPECT_EQ(pixel(recorded.picture, recorded.click), 0xF0E020u);
    client.client.reset();
    EXPECT_TRUE(waitFor([&] { return !platform->windows->exists(client.window); }));
    return recorded;
  }

  // The recorder's first record, with quicker keys and mouse, then the one
  // record that looks for the pattern.
  void writeDocument(const std::string& title, const std::string& instruction, const Recorded& recorded) {
    std::filesystem::remove(document);
    for (auto [kind, text] : {std::pair<char, std::string>{'1', kQuickInput}, {'M', instruction}}) {
      NewRecordFields fields;
      fields.kind = kind;
      fields.text = text;
      fields.windowClass = kClass;
      fields.windowTitle = title;
      fields.click = recorded.click;
      fields.imageArea = recorded.area;
      testing::appendRecord(document, fields, recorded.picture);
    }
  }

  // The whole document played by qlm play on this desktop.
  void play() {
    const testing::ProgramRun played = testing::runProgram({QLM_BINARY, "play", document}, display);
    EXPECT_EQ(played.status, 0) << played.err;
  }

  // One click of `button` reached the client, on the pattern at `pattern` of its window, and no key.
  void expectOneClickOn(const Probe& client, Point pattern, int button = 1) {
    ASSERT_TRUE(waitFor([&] { return !testing::probeLog(client.log).clicks.empty(); })) << readFile(client.log);
    waitFor([] { return false; }, 100ms);  // nothing else may follow
    const testing::ProbeLog log = testing::probeLog(client.log);
    EXPECT_THAT(log.clicks,
                ::testing::ElementsAre(std::pair(button, Point{pattern.x + kClickOffset.x, pattern.y + kClickOffset.y})));
    EXPECT_EQ(log.typed, "");
  }

  std::string document = scratchFile("pattern.qlm").string();
  std::vector<std::filesystem::path> logs;
};

enum class Disturbance { Covered, PartlyOffTheLeftEdge };

struct FoundCase {
  const char* name;
  Point at;       // of the client's window when played
  Point pattern;  // in the client's window when played
  Disturbance disturbance;
};

class PatternFound : public ImageSearchX11Test, public ::testing::WithParamInterface<FoundCase> {};

// Recorded in one window, played in another where the pattern lies elsewhere;
// an off-screen part of a window captures black, and positions stay relative to its frame.
TEST_P(PatternFound, ClickLandsOnThePatternOnly) {
  const FoundCase& c = GetParam();
  const std::string title = std::string("qlm ") + c.name;
  writeDocument(title, kClickOnPattern, record(title));
  Probe live = startClient(title, c.at, c.pattern);
  std::optional<Probe> cover;
  if (c.disturbance == Disturbance::Covered) {
    cover = startClient("qlm cover", {c.at.x - 20, c.at.y - 20}, std::nullopt);
    ASSERT_TRUE(platform->windows->setForeground(cover->window));
    ASSERT_TRUE(waitFor([&] { return platform->windows->foreground() == cover->window; }));
  } else {
    auto frame = platform->windows->rect(live.window);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(platform->windows->moveResize(live.window, Rect::fromSize(-150, 300, frame->width(), frame->height())));
    ASSERT_TRUE(waitFor([&] { return platform->windows->rect(live.window)->left == -150; }));
  }
  play();
  expectOneClickOn(live, c.pattern);
  EXPECT_TRUE(!cover || testing::probeLog(cover->log).clicks.empty());
}

INSTANTIATE_TEST_SUITE_P(Windows, PatternFound,
                         ::testing::Values(FoundCase{"covered", {400, 300}, {100, 60}, Disturbance::Covered},
                                           FoundCase{"edge", {300, 300}, {200, 100}, Disturbance::PartlyOffTheLeftEdge}),
                         [](const auto& info) { return std::string(info.param.name); });

// A record whose title begins with '-' is searched for on the whole screen; the right button is X's third.
TEST_F(ImageSearchX11Test, WholeScreenRecordFindsThePatternAnywhereOnTheScreen) {
  writeDocument("-", R"(IfImage(5,"V[RBUTTON]","notfound"))", record("qlm screen", CaptureSource::WholeScreen));
  Probe live = startClient("qlm screen", {1200, 700}, Point{170, 110});
  play();
  expectOneClickOn(live, {170, 110}, 3);
}

}  // namespace
}  // namespace qlm
