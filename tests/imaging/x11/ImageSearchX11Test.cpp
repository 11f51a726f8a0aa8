// IfImage and IfShape on a real X server: a client of ours paints a pattern,
// its window is recorded, and playback must find the pattern again where the
// client paints it the next time and click there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "../../platform/x11/X11Fixture.h"
#include "app/HeadlessHost.h"
#include "document/BmpBlock.h"
#include "language/Document.h"
#include "document/Snapshot.h"
#include "imaging/CaptureBuffer.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"


namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;
using testing::DesktopEnvironment;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

constexpr const char* kClass = "QlmPattern";
constexpr int kPatternWidth = 60;
constexpr int kPatternHeight = 30;
// The recorded click, from the pattern's top-left: on its yellow block.
constexpr Point kClickOffset{31, 9};
// Appended to the recorder's first record (colour tolerance 5), so that the
// pointer and the keys do not take seconds.
constexpr const char* kQuickInput = "SetMouseSpeed(100); SetKeySpeed(100)";

enum class Painting { Pattern, Inverted, Nothing };

// The client's log, one entry per line.
struct ClientLog {
  std::vector<std::string> buttons;  // "1 171 99": button, x, y in the window
  std::string typed;
};

ClientLog parseLog(const std::string& text) {
  ClientLog log;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    // "button 1 171 99 291 139": the last two are on the screen.
    if (line.starts_with("button ")) log.buttons.push_back(line.substr(7, line.rfind(' ', line.rfind(' ') - 1) - 7));
    if (line.starts_with("key ")) {
      const unsigned long keysym = std::stoul(line.substr(4), nullptr, 16);
      if (keysym > ' ' && keysym < 0x7F) log.typed += static_cast<char>(keysym);
    }
  }
  return log;
}

struct PatternWindow {
  std::unique_ptr<Client> client;
  std::filesystem::path log;
  WindowId window = kNoWindow;
  Point origin;   // of the client's own window on the screen, inside the frame
  Point pattern;  // where the client paints it, in its window
};

// What recording keeps: the window's picture, the image area around the pattern
// and the click inside it, both in the picture's coordinates.
struct Recorded {
  Picture picture;
  Rect area;
  Point click;
};

// What a playback in this program ended with.
struct Played {
  PlaybackEnd end = PlaybackEnd::Completed;
  Point foundPosition;
  Point foundClickPoint;
  std::vector<std::string> messages;
  std::chrono::milliseconds took{};
};

class ImageSearchX11Test : public testing::DesktopTest {
 protected:
  void TearDown() override {
    std::filesystem::remove(document);
    for (const auto& log : logs) std::filesystem::remove(log);
  }

  PatternWindow startClient(const std::string& title, Point at, Point pattern, Painting painting) {
    std::vector<std::string> arguments{"--class", kClass, "--color", "D0D0D0", "--at",
                                       std::to_string(at.x) + "," + std::to_string(at.y)};
    if (painting != Painting::Nothing) {
      arguments.insert(arguments.end(), {"--pattern", std::to_string(pattern.x) + "," + std::to_string(pattern.y)});
    }
    if (painting == Painting::Inverted) arguments.push_back("--inverted");
    Probe probe = startProbe(title, arguments);
    PatternWindow client{std::move(probe.client), probe.log, probe.window, {}, pattern};
    logs.push_back(client.log);
    std::istringstream(readFile(client.log).substr(6)) >> client.origin.x >> client.origin.y;
    return client;
  }

  void stopClient(PatternWindow& client) {
    WindowId window = client.window;
    client.client.reset();
    EXPECT_TRUE(waitFor([&] { return !platform->windows->exists(window); }));
  }

  // As the recorder takes it: the foreground window's picture.
  Recorded record(const PatternWindow& client) {
    Recorded recorded;
    EXPECT_TRUE(platform->windows->setForeground(client.window));
    EXPECT_TRUE(waitFor([&] { return platform->windows->foreground() == client.window; }));
    CaptureBuffer buffer;
    EXPECT_TRUE(buffer.captureScreen(*platform, CaptureSource::ForegroundWindow));
    const Rect frame = buffer.screenArea();
    EXPECT_EQ(platform->windows->rect(client.window), frame);
    const int left = client.origin.x - frame.left + client.pattern.x;
    const int top = client.origin.y - frame.top + client.pattern.y;
    recorded.area = Rect::fromSize(left, top, kPatternWidth, kPatternHeight);
    recorded.click = {left + kClickOffset.x, top + kClickOffset.y};
    recorded.picture = buffer.picture();
    // The picture shows the pattern where the area says: the ground, then the red block.
    EXPECT_EQ(pixel(recorded.picture, left, top), 0x203080u);
    EXPECT_EQ(pixel(recorded.picture, left + 5, top + 5), 0xE02020u);
    EXPECT_EQ(pixel(recorded.picture, recorded.click.x, recorded.click.y), 0xF0E020u);
    return recorded;
  }

  static std::uint32_t pixel(const Picture& picture, int x, int y) {
    if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return 0xFFFFFFFF;
    const std::uint8_t* p = picture.rowFromTop(y) + 4 * x;
    return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
  }

  // The recorder's first record, with quicker keys and mouse, then the one
  // record that looks for the pattern; written as qlm append writes them.
  void writeDocument(const std::string& title, const std::string& instruction, const Recorded& recorded) {
    std::filesystem::remove(document);
    appendRecord('1', kQuickInput, title, recorded);
    appendRecord('M', instruction, title, recorded);
  }

  void appendRecord(char kind, const std::string& text, const std::string& title, const Recorded& recorded) {
    NewRecordFields fields;
    fields.kind = kind;
    fields.text = text;
    fields.windowClass = kClass;
    fields.windowTitle = title;
    fields.click = recorded.click;
    fields.imageArea = recorded.area;
    fields.areaWidth = fields.pictureWidth = recorded.picture.width;
    fields.areaHeight = fields.pictureHeight = recorded.picture.height;
    Snapshot snapshot;
    snapshot.setCapture(recorded.picture);
    std::string path = document;
    ASSERT_TRUE(snapshot.beginAppend(path)) << snapshot.message();
    fields.firstRecordOfFile = snapshot.count() == 0;
    ASSERT_TRUE(snapshot.appendRecordImage(makeNewRecord(fields))) << snapshot.message();
    ASSERT_TRUE(snapshot.appendPicture()) << snapshot.message();
    ASSERT_TRUE(snapshot.finishAppend()) << snapshot.message();
  }

  // The whole document played in this program, wired as qlm play wires it.
  Played play() {
    Played played;
    MessageLog ui;
    NullTrace trace;
    Document doc(ui, trace, *platform->clock);
    doc.setPlatform(platform);
    doc.setPathName(document);
    EXPECT_TRUE(doc.records().load().opened);
    doc.resetVariables();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> notes(std::fopen("/dev/null", "w"), std::fclose);
    HeadlessHost host(doc, notes.get());
    DesktopOutput output(doc, *platform, host, 3000);
    PlaybackEngine engine(doc, host, output);
    const auto start = std::chrono::steady_clock::now();
    played.end = engine.run();
    played.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    played.foundPosition = doc.foundPosition();
    played.foundClickPoint = doc.foundClickPoint();
    played.messages = ui.messages();
    return played;
  }

  // Where the found position must lie: the pattern in the frame's picture.
  Point patternInFrame(const PatternWindow& client) {
    auto frame = platform->windows->rect(client.window);
    EXPECT_TRUE(frame.has_value());
    if (!frame) return {};
    return {client.origin.x - frame->left + client.pattern.x, client.origin.y - frame->top + client.pattern.y};
  }

  static std::string clickIn(Point pattern, int button = 1) {
    return std::to_string(button) + " " + std::to_string(pattern.x + kClickOffset.x) + " " +
           std::to_string(pattern.y + kClickOffset.y);
  }

  static ClientLog logOf(const PatternWindow& client) { return parseLog(readFile(client.log)); }

  std::string document = scratchFile("pattern.qlm").string();
  std::vector<std::filesystem::path> logs;
};

TEST_F(ImageSearchX11Test, IfImageWithoutThePatternRunsTheOtherBranchOnceTheLimitHasPassed) {
  auto recorded = startClient("qlm image absent", {100, 100}, {20, 20}, Painting::Pattern);
  const Recorded picture = record(recorded);
  stopClient(recorded);
  writeDocument("qlm image absent", R"(IfImage(1,"V[LBUTTON]","notfound"))", picture);

  auto live = startClient("qlm image absent", {300, 200}, {20, 20}, Painting::Nothing);
  ASSERT_NE(live.window, kNoWindow);
  const Played played = play();
  EXPECT_EQ(played.end, PlaybackEnd::Completed);
  EXPECT_EQ(played.foundPosition, (Point{-2, -2}));
  EXPECT_EQ(played.foundClickPoint, (Point{-2, -2}));
  // The limit is in whole seconds of the calendar clock: one second, then the one after it.
  EXPECT_GE(played.took, 1s);
  ASSERT_TRUE(waitFor([&] { return logOf(live).typed == "notfound"; })) << readFile(live.log);
  EXPECT_THAT(logOf(live).buttons, ::testing::IsEmpty());
}

enum class Disturbance { None, Covered, PartlyOffTheLeftEdge };

struct FoundCase {
  const char* name;
  const char* instruction;
  Point at;       // of the client's window when played
  Point pattern;  // in the client's window when played
  Painting painting;
  Disturbance disturbance;
  const char* typed;
};

class PatternFound : public ImageSearchX11Test, public ::testing::WithParamInterface<FoundCase> {};

// Recorded in one window, played in another where the pattern lies elsewhere;
// an off-screen part of a window captures black, and positions stay relative to its frame.
TEST_P(PatternFound, ClickLandsOnThePatternOnly) {
  const FoundCase& c = GetParam();
  const std::string title = std::string("qlm ") + c.name;
  auto recorded = startClient(title, {100, 100}, {20, 20}, Painting::Pattern);
  const Recorded picture = record(recorded);
  stopClient(recorded);
  writeDocument(title, c.instruction, picture);

  auto live = startClient(title, c.at, c.pattern, c.painting);
  ASSERT_NE(live.window, kNoWindow);
  const Point inFrame = patternInFrame(live);
  std::optional<PatternWindow> cover;
  if (c.disturbance == Disturbance::Covered) {
    cover = startClient("qlm cover", {c.at.x - 20, c.at.y - 20}, {0, 0}, Painting::Nothing);
    ASSERT_TRUE(platform->windows->setForeground(cover->window));
    ASSERT_TRUE(waitFor([&] { return platform->windows->foreground() == cover->window; }));
  }
  if (c.disturbance == Disturbance::PartlyOffTheLeftEdge) {
    auto frame = platform->windows->rect(live.window);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(platform->windows->moveResize(live.window, Rect::fromSize(-150, 300, frame->width(), frame->height())));
    ASSERT_TRUE(waitFor([&] { return platform->windows->rect(live.window)->left == -150; }));
  }
  const auto frame = platform->windows->rect(live.window);
  ASSERT_TRUE(frame);
  const Played played = play();
  EXPECT_EQ(played.end, PlaybackEnd::Completed);
  EXPECT_THAT(played.messages, ::testing::IsEmpty());
  EXPECT_EQ(played.foundPosition, inFrame);
  EXPECT_EQ(played.foundClickPoint,
            (Point{frame->left + inFrame.x + kClickOffset.x, frame->top + inFrame.y + kClickOffset.y}));
  ASSERT_TRUE(waitFor([&] { return !logOf(live).buttons.empty(); })) << readFile(live.log);
  waitFor([] { return false; }, 100ms);  // nothing else may follow
  EXPECT_THAT(logOf(live).buttons, ::testing::ElementsAre(clickIn(live.pattern)));
  EXPECT_EQ(logOf(live).typed, c.typed);
  if (cover) {
    EXPECT_THAT(logOf(*cover).buttons, ::testing::IsEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PatternFound,
    ::testing::Values(FoundCase{"moved", R"(IfImage(5,"V[LBUTTON]","notfound"))", {700, 400}, {150, 90},
                                Painting::Pattern, Disturbance::None, ""},
                      FoundCase{"inverted", R"(IfImage(0,"image","i"); IfShape(5,"V[LBUTTON]","s"))", {500, 300},
                                {200, 120}, Painting::Inverted, Disturbance::None, "i"},
                      FoundCase{"covered", R"(IfImage(5,"V[LBUTTON]","notfound"))", {400, 300}, {100, 60},
                                Painting::Pattern, Disturbance::Covered, ""},
                      FoundCase{"edge", R"(IfImage(5,"V[LBUTTON]","notfound"))", {300, 300}, {200, 100},
                                Painting::Pattern, Disturbance::PartlyOffTheLeftEdge, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A record whose title begins with '-' is searched for on the whole screen; its
// found position and click are in screen coordinates.
TEST_F(ImageSearchX11Test, WholeScreenRecordFindsThePatternAnywhereOnTheScreen) {
  auto recorded = startClient("qlm screen", {100, 100}, {20, 20}, Painting::Pattern);
  ASSERT_TRUE(platform->windows->setForeground(recorded.window));
  CaptureBuffer buffer;
  ASSERT_TRUE(buffer.captureScreen(*platform, CaptureSource::WholeScreen));
  const Point at{recorded.origin.x + 20, recorded.origin.y + 20};
  Recorded picture{buffer.picture(), {at.x, at.y, at.x + kPatternWidth - 1, at.y + kPatternHeight - 1},
                   {at.x + kClickOffset.x, at.y + kClickOffset.y}};
  ASSERT_EQ(pixel(picture.picture, picture.click.x, picture.click.y), 0xF0E020u);
  stopClient(recorded);
  writeDocument("-", R"(IfImage(5,"V[LBUTTON]","notfound"))", picture);

  auto live = startClient("qlm screen", {1200, 700}, {170, 110}, Painting::Pattern);
  const Played played = play();
  EXPECT_EQ(played.end, PlaybackEnd::Completed);
  const Point onScreen{live.origin.x + 170, live.origin.y + 110};
  EXPECT_EQ(played.foundPosition, onScreen);
  EXPECT_EQ(played.foundClickPoint, (Point{onScreen.x + kClickOffset.x, onScreen.y + kClickOffset.y}));
  ASSERT_TRUE(waitFor([&] { return !logOf(live).buttons.empty(); })) << readFile(live.log);
  waitFor([] { return false; }, 100ms);
  EXPECT_THAT(logOf(live).buttons, ::testing::ElementsAre(clickIn(live.pattern)));
}

// A window mapped at once on a new desktop must be shown: the desktop is ready
// only when its window manager handles map requests.
TEST(VirtualDesktopStart, AWindowMappedAtOnceIsShown) {
  std::string error;
  auto desktop = VirtualDesktop::start({.width = 640, .height = 480}, error);
  ASSERT_TRUE(desktop) << error;
  const std::filesystem::path log = scratchFile("first window.log");
  {
    Client client({QLM_PROBE_CLIENT, "--title", "first window", "--log", log.string()}, desktop->display());
    EXPECT_TRUE(waitFor([&] { return readFile(log).starts_with("ready "); })) << "never exposed";
  }
  std::filesystem::remove(log);
}

testing::ProgramRun runTool(std::vector<std::string> arguments, const std::string& display) {
  arguments.insert(arguments.begin(), QLM_BINARY);
  return testing::runProgram(arguments, display);
}

std::string pair(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }

TEST_F(ImageSearchX11Test, QlmAppendAndPlayClickTheFoundPattern) {
  auto recorded = startClient("qlm tool", {100, 100}, {20, 20}, Painting::Pattern);
  const Recorded picture = record(recorded);
  stopClient(recorded);
  const std::filesystem::path bmp = scratchFile("pattern.bmp");
  {
    const std::vector<std::uint8_t> bytes = bmpFileBytes(picture.picture);
    std::ofstream(bmp, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  }
  std::filesystem::remove(document);
  ASSERT_EQ(runTool({"new", document}, display).status, 0);
  const std::string area =
      pair(picture.area.left, picture.area.top) + "," + pair(picture.area.right - 1, picture.area.bottom - 1);
  const testing::ProgramRun first = runTool({"append", document, "--kind", "1", "--text", kQuickInput, "--picture", bmp.string()},
                                display);
  ASSERT_EQ(first.status, 0) << first.err;
  const testing::ProgramRun append =
      runTool({"append", document, "--kind", "M", "--class", kClass, "--title", "qlm tool", "--text",
               R"(IfImage(5,"V[LBUTTON]","notfound"))", "--picture", bmp.string(), "--click",
               pair(picture.click.x, picture.click.y), "--area", area},
              display);
  std::filesystem::remove(bmp);
  ASSERT_EQ(append.status, 0) << append.err;

  auto live = startClient("qlm tool", {900, 500}, {230, 140}, Painting::Pattern);
  ASSERT_NE(live.window, kNoWindow);
  const testing::ProgramRun played = runTool({"play", document}, display);
  EXPECT_EQ(played.status, 0) << played.err;
  ASSERT_TRUE(waitFor([&] { return !logOf(live).buttons.empty(); })) << readFile(live.log) << played.err;
  waitFor([] { return false; }, 100ms);
  EXPECT_THAT(logOf(live).buttons, ::testing::ElementsAre(clickIn(live.pattern)));
  EXPECT_EQ(logOf(live).typed, "");
}

}  // namespace
}  // namespace qlm
