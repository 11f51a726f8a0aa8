// Whole playbacks on a private virtual desktop against real clients: an
// xterm running `cat`, our probe client, the user's end key.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "../../platform/x11/X11Fixture.h"
#include "app/HeadlessHost.h"
#include "language/Document.h"
#include "document/Snapshot.h"
#include "platform/VirtualKeys.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "playback/UserActivityWatch.h"

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

// One record of a test document; a title beginning with '-' means the whole screen.
struct RecordSpec {
  std::string className;
  std::string title;
  std::string instruction;  // Windows-1252
  Point click{100, 15};
};

void writeDocument(const std::string& path, const std::vector<RecordSpec>& records) {
  std::filesystem::remove(path);
  Picture picture;
  picture.width = picture.height = 8;
  picture.pixels.assign(picture.pixelBytes(), 0x40);
  Snapshot snapshot;
  for (const RecordSpec& spec : records) {
    NewRecordFields fields;
    fields.text = spec.instruction;
    fields.click = spec.click;
    fields.areaWidth = fields.areaHeight = 400;
    fields.pictureWidth = fields.pictureHeight = picture.width;
    RecordImage record = makeNewRecord(fields);
    record.setText(TextField::WindowClass, spec.className);
    record.setText(TextField::WindowTitle, spec.title);
    snapshot.setCapture(picture);
    std::string where = path;
    Outcome saved = snapshot.appendRecord(where, record);
    ASSERT_TRUE(saved.ok) << saved.message;
  }
}

// Trace events as they come from the playback thread.
class SharedTrace final : public TraceSink {
 public:
  void traceEvent(const TraceEvent& event) override {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
  }
  bool waitUntil(const std::function<bool(const std::vector<TraceEvent>&)>& condition) const {
    return waitFor([&] { return condition(events()); }, 10s);
  }
  std::vector<TraceEvent> events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
  }
  void clear() {
    std::lock_guard lock(m_mutex);
    m_events.clear();
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<TraceEvent> m_events;
};

// For failure messages: what the playback did.
std::string describe(const std::vector<TraceEvent>& events) {
  std::string text;
  for (const TraceEvent& e : events) {
    text += std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.line) + "." + std::to_string(e.instruction) + " " +
            e.description + " " + e.text + "\n";
  }
  return text;
}

// The document, its player and the user-activity watch, wired as `qlm play` wires them.
struct Player {
  Player(Platform& platform, const std::string& path, int movementWaitMs)
      : platform(platform), watch(doc, platform.sound.get(), movementWaitMs) {
    doc.setPlatform(&platform);
    doc.setPathName(path);
    loaded = doc.records().load();
    doc.resetVariables();
    watching = watch.install(*platform.inputWatch);
  }
  ~Player() {
    watch.uninstall();
    std::filesystem::remove(notesPath);
  }

  // Waits for a threaded playback; stops it when it outlives `limit`.
  PlaybackEnd finishWithin(std::chrono::milliseconds limit) {
    if (!waitFor([&] { return doc.flags().runState == RunState::Idle && !doc.flags().running; }, limit)) {
      ADD_FAILURE() << "the playback did not end within " << limit.count() << " ms; stopping it";
      engine.stop();
    }
    return engine.wait();
  }

  Platform& platform;
  MessageLog ui;
  SharedTrace trace;
  Document doc{ui, trace, *platform.clock};
  LoadResult loaded;
  // The notes the host shows, one "(note)" a line, written at once.
  std::filesystem::path notesPath = scratchFile("notes.txt");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> notes{std::fopen(notesPath.c_str(), "w"), std::fclose};
  bool unbuffered = notes && std::setvbuf(notes.get(), nullptr, _IONBF, 0) == 0;
  HeadlessHost host{doc, notes.get()};
  UserActivityWatch watch;
  bool watching = false;
  DesktopOutput output{doc, platform, host, 15000};
  PlaybackEngine engine{doc, host, output};
};

// The events of the desktop as the input watch reports them. Listeners are
// called in the order they subscribed, so once this one saw an event the
// player's watch has acted on it.
class EventLog {
 public:
  explicit EventLog(InputWatch& watch)
      : m_subscription(watch.listen([this](const WatchedEvent& e) {
          std::lock_guard lock(m_mutex);
          m_events.push_back(e);
        })) {}
  bool active() const { return m_subscription.active(); }
  bool saw(int message, bool injected, int virtualKey = 0, std::optional<bool> ours = std::nullopt) {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_events.begin(), m_events.end(), [&](const WatchedEvent& e) {
      return e.message == message && e.injected == injected && (virtualKey == 0 || e.virtualKey == virtualKey) &&
             (!ours || e.ours == *ours);
    });
  }

 private:
  std::mutex m_mutex;
  std::vector<WatchedEvent> m_events;
  WatchSubscription m_subscription;
};

class PlaybackOnDesktopTest : public testing::DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    documentPath = scratchFile(name + ".qlm");
  }
  void TearDown() override { std::filesystem::remove(documentPath); }

  std::unique_ptr<Player> player(const std::vector<RecordSpec>& records, int movementWaitMs = 0) {
    writeDocument(documentPath.string(), records);
    auto made = std::make_unique<Player>(*platform, documentPath.string(), movementWaitMs);
    EXPECT_TRUE(made->loaded.opened) << made->loaded.message;
    EXPECT_EQ(made->doc.records().count(), static_cast<int>(records.size()));
    EXPECT_TRUE(made->watching);
    EXPECT_TRUE(made->unbuffered);
    return made;
  }

  std::filesystem::path documentPath;
};

TEST_F(PlaybackOnDesktopTest, TypesIntoXtermAndClicksIntoTheProbeExactly) {
  auto typed = scratchFile("typed.txt");
  std::filesystem::remove(typed);
  auto xterm = start({"xterm", "-T", "qlm typed", "-e", "sh", "-c", "cat > '" + typed.string() + "'"});
  auto probe = startProbe("qlm probe");
  ASSERT_NE(waitForWindow("XTerm", "qlm typed"), kNoWindow);
  const WindowId probeWindow = probe.window;

  auto play = player({
      {"Program", "-", "SetKeySpeed(100); SetMouseSpeed(100); $WHO=\"Ada\""},
      {"XTerm", "qlm typed", "\"Hello, \"&$WHO&\"! 0123456789 (a+b)*c=d; x<y>z? ~@#%^_|'V[RETURN]\""},
      {"XTerm", "qlm typed", "$QTY=3; \"UPPER lower caf\xE9 \xFC" "ber: \"&($QTY*12.5)&\" EURV[RETURN]\""},
      {"XTerm", "qlm typed", "\"[]{};:'\"\"<>?/|\\~`@#$%^&*()_+-=V[RETURN]\""},
      {"XTerm", "qlm typed", "\"\\[CTRL]d/[CTRL]\""},
      {"QlmProbe", "qlm probe", "\"Qz\xE9V[LBUTTON]\"", {60, 40}},
  });
  EXPECT_EQ(play->engine.run(), PlaybackEnd::Completed) << describe(play->trace.events());
  EXPECT_TRUE(play->ui.messages().empty()) << play->ui.messages().front();

  const std::string expected =
      "Hello, Ada! 0123456789 (a+b)*c=d; x<y>z? ~@#%^_|'\n"
      "UPPER lower caf\xC3\xA9 \xC3\xBC" "ber: 37.5 EUR\n"
      "[]{};:'\"<>?/|\\~`@#$%^&*()_+-=\n";
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == expected; })) << readFile(typed);
  // Shift comes before the capital; the lent key of é reads as its own keysym;
  // the click point counts from the window's outer corner, frame included.
  auto outer = platform->windows->rect(probeWindow);
  ASSERT_TRUE(outer);
  EXPECT_TRUE(waitFor([&] { return readFile(probe.log).find("button") != std::string::npos; }));
  const std::string log = readFile(probe.log);
  const std::string click = " " + std::to_string(outer->left + 60) + " " + std::to_string(outer->top + 40) + "\n";
  const std::size_t keys = log.find("\nkey ffe1\nkey 51\nkey 7a\nkey e9\nbutton 1 ");
  EXPECT_TRUE(log.starts_with("ready ") && keys == log.find('\n') && log.ends_with(click) &&
              std::count(log.begin(), log.end(), '\n') == 6)
      << log;
  std::filesystem::remove(typed);
  std::filesystem::remove(probe.log);
}

TEST_F(PlaybackOnDesktopTest, EndKeyInjectedByAnotherProgramStopsALongPlaybackAndTheNextOneOffersToResume) {
  auto play = player({{"Program", "-", ":L; $N=$N+1; Wait(100); GoTo(:L,1)"}});
  EventLog keys(*platform->inputWatch);
  ASSERT_TRUE(keys.active());
  auto waits = [](int atLeast) {
    return [atLeast](const std::vector<TraceEvent>& events) {
      return std::count_if(events.begin(), events.end(), [](const TraceEvent& e) {
               return e.kind == TraceStep::BeforeInstruction && e.text == "Wait(100)";
             }) >= atLeast;
    };
  };
  ASSERT_TRUE(play->engine.start());
  ASSERT_TRUE(play->trace.waitUntil(waits(2)));

  // An End that another program injects (a remote desktop, a test driver) is the user's key.
  ASSERT_EQ(testing::runProgram({"xdotool", "key", "End"}, display).status, 0);
  ASSERT_TRUE(waitFor([&] { return keys.saw(watch::kKeyDown, true, vk::kEnd, false); }));
  EXPECT_EQ(play->finishWithin(5s), PlaybackEnd::Stopped);
  EXPECT_TRUE(play->doc.stopRequested());
  EXPECT_FALSE(play->doc.flags().endKey);
  const long long count = play->doc.readVariableNumber("$N");
  const int instruction = static_cast<int>(play->doc.readVariableNumber("$QLM_INST"));
  EXPECT_GE(count, 2);

  // Answer 1 runs the stopped instruction again, with the variables kept.
  play->trace.clear();
  play->ui.queueAnswers({1});
  ASSERT_TRUE(play->engine.start());
  ASSERT_TRUE(play->trace.waitUntil(waits(1)));
  play->engine.stop();
  EXPECT_EQ(play->finishWithin(5s), PlaybackEnd::Stopped);
  EXPECT_EQ(play->ui.questions().size(), 1u);
  const std::vector<TraceEvent> events = play->trace.events();
  ASSERT_FALSE(events.empty());
  const TraceEvent& first = events.front();
  EXPECT_EQ(std::tuple(first.kind, first.line, first.instruction),
            std::tuple(TraceStep::BeforeInstruction, 1, instruction));
  EXPECT_GE(play->doc.readVariableNumber("$N"), count);
}

TEST_F(PlaybackOnDesktopTest, OnlyTheUsersPointerMovementPausesPlayback) {
  auto probe = startProbe("qlm moves");
  // Far from the click point, so that the click glides there in steps.
  ASSERT_TRUE(platform->input->setPointerPosition({1800, 1000}));
  auto play = player({{"QlmProbe", "qlm moves", "SetMouseSpeed(100); \"V[LBUTTON]\"", {60, 40}},
                      {"Program", "-", ":W; Wait(50); GoTo(:W,1)"}},
                     5000);
  EventLog events(*platform->inputWatch);
  ASSERT_TRUE(events.active());
  ASSERT_TRUE(play->engine.start());

  // Our own glide and click were watched, and paused nothing.
  ASSERT_TRUE(waitFor([&] { return events.saw(watch::kLeftUp, true); }));
  EXPECT_TRUE(events.saw(watch::kMouseMove, true));
  EXPECT_TRUE(waitFor([&] { return readFile(probe.log).find("button 1 ") != std::string::npos; }));
  ASSERT_TRUE(play->trace.waitUntil([](const std::vector<TraceEvent>& e) {
    return std::count_if(e.begin(), e.end(), [](const TraceEvent& t) {
             return t.kind == TraceStep::BeforeInstruction && t.line == 2;
           }) >= 4;
  }));
  EXPECT_EQ(readFile(play->notesPath), "");

  // The user's movement holds the playback for the movement wait.
  ASSERT_EQ(testing::runProgram({QLM_PROBE_CLIENT, "move", "700", "500"}, display).status, 0);
  ASSERT_TRUE(waitFor([&] { return events.saw(watch::kMouseMove, false); }));
  EXPECT_EQ(platform->input->pointerPosition(), (Point{700, 500}));
  EXPECT_TRUE(waitFor([&] { return !readFile(play->notesPath).empty(); }));
  EXPECT_TRUE(readFile(play->notesPath).starts_with("(Mouse moved: 5/5)\n")) << readFile(play->notesPath);

  play->engine.stop();
  EXPECT_EQ(play->finishWithin(5s), PlaybackEnd::Stopped);
  std::filesystem::remove(probe.log);
}

// Two terminals side by side, each writing what it receives to a file at
// once (no line editing); playback types into one while the desktop works
// against it. Nothing may ever reach the other terminal.
enum class Disturbance { StealFocus, KillTarget, OtherWorkspace, NoWindowManager };

struct FocusCase {
  const char* name;
  Disturbance disturbance;
  PlaybackEnd end;
  const char* message;  // how the stop message begins; empty: none
};

class KeysOnlyIntoTheTarget : public PlaybackOnDesktopTest, public ::testing::WithParamInterface<FocusCase> {};

TEST_P(KeysOnlyIntoTheTarget, NothingReachesTheOtherTerminal) {
  const FocusCase& c = GetParam();
  std::unique_ptr<VirtualDesktop> bare;
  std::unique_ptr<Platform> barePlatform;
  if (c.disturbance == Disturbance::NoWindowManager) {
    std::string error;
    bare = VirtualDesktop::start({.windowManager = false}, error);
    ASSERT_TRUE(bare) << error;
    auto made = createX11Platform(bare->display());
    ASSERT_TRUE(made.platform) << made.message;
    barePlatform = std::move(made.platform);
    platform = barePlatform.get();
    display = bare->display();
  }
  auto targetFile = scratchFile(std::string(c.name) + "-target.txt");
  auto bystanderFile = scratchFile(std::string(c.name) + "-bystander.txt");
  std::filesystem::remove(targetFile);
  std::filesystem::remove(bystanderFile);
  auto terminal = [&](const std::string& title, const std::filesystem::path& file, int x) {
    return start({"xterm", "-geometry", "80x20+" + std::to_string(x) + "+40", "-T", title, "-e", "sh", "-c",
                  "stty -icanon -echo; exec cat > '" + file.string() + "'"});
  };
  auto target = terminal("qlm target", targetFile, 40);
  WindowId targetWindow = waitForWindow("XTerm", "qlm target");
  ASSERT_NE(targetWindow, kNoWindow);
  auto bystander = terminal("qlm bystander", bystanderFile, 800);
  WindowId bystanderWindow = waitForWindow("XTerm", "qlm bystander");
  ASSERT_NE(bystanderWindow, kNoWindow);
  if (c.disturbance == Disturbance::OtherWorkspace) {
    ASSERT_EQ(testing::runProgram({"xdotool", "set_desktop_for_window", std::to_string(targetWindow), "1"}, display).status, 0);
  }
  if (c.disturbance != Disturbance::NoWindowManager) {
    ASSERT_TRUE(platform->windows->setForeground(bystanderWindow));
  }

  std::string text;
  for (int i = 0; i < 8; ++i) text += "line " + std::to_string(i) + " of the text;";
  auto play = player({{"XTerm", "qlm target", "SetKeySpeed(100); \"" + text + "\""}});
  std::atomic<bool> done{false};
  std::thread disturber([&] {
    if (c.disturbance == Disturbance::StealFocus) {
      while (!done) {
        testing::runProgram({"xdotool", "windowactivate", std::to_string(bystanderWindow)}, display);
        std::this_thread::sleep_for(200ms);
      }
    } else if (c.disturbance == Disturbance::KillTarget) {
      if (waitFor([&] { return done || readFile(targetFile).size() >= 20; }, 20s) && !done) kill(target->pid(), SIGKILL);
    }
  });
  const PlaybackEnd end = play->engine.run();
  done = true;
  disturber.join();

  EXPECT_EQ(end, c.end) << describe(play->trace.events());
  if (c.end == PlaybackEnd::Completed) {
    EXPECT_TRUE(waitFor([&] { return readFile(targetFile) == text; })) << readFile(targetFile);
    EXPECT_TRUE(play->ui.messages().empty()) << play->ui.messages().front();
  } else {
    ASSERT_FALSE(play->ui.messages().empty());
    EXPECT_TRUE(play->ui.messages().back().starts_with(c.message)) << play->ui.messages().back();
  }
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(readFile(bystanderFile), "");
  play.reset();
  target.reset();
  bystander.reset();
  std::filesystem::remove(targetFile);
  std::filesystem::remove(bystanderFile);
  barePlatform.reset();
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, KeysOnlyIntoTheTarget,
    ::testing::Values(
        FocusCase{"FocusMovedAwayEvery200ms", Disturbance::StealFocus, PlaybackEnd::Completed, ""},
        FocusCase{"TargetKilledMidText", Disturbance::KillTarget, PlaybackEnd::Stopped,
                  "The target window disappeared: \nTitle='qlm target'"},
        FocusCase{"TargetOnAnotherWorkspace", Disturbance::OtherWorkspace, PlaybackEnd::Completed, ""},
        FocusCase{"NoWindowManager", Disturbance::NoWindowManager, PlaybackEnd::Completed, ""}),
    [](const ::testing::TestParamInfo<FocusCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlm
