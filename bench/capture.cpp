// Screen capture and injection on a private virtual desktop.
//  - Capture of a 1920x1080 screen into the stored picture layout (conversion
//    included) through shared memory, against plain XGetImage and against one
//    copy of the frame in memory (the floor) in the same run.
//  - 1,000 key events (500 taps) injected back to back until a test client of
//    ours has received them all.
//  - End to end: a playback waits in IfImage for a 60 x 30 pattern on the whole
//    screen; our client paints it and stamps the moment it is on the screen and
//    the moment the click on it arrives (the median of each run is a counter).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>

#include "app/HeadlessHost.h"
#include "document/Snapshot.h"
#include "imaging/CaptureBuffer.h"
#include "language/Document.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "platform/VirtualKeys.h"
#include "ProbeWindow.h"
#include "PrivateDesktop.h"
#include "platform/x11/X11Parts.h"
#include "platform/x11/X11Platform.h"

namespace {

using namespace qlm;

struct Desktop {
  VirtualDesktop* desktop = nullptr;
  Platform* platform = nullptr;
  std::shared_ptr<x11::Connection> connection;
  std::unique_ptr<Capture> plain;  // XGetImage, the peer of the shared-memory capture

  static Desktop& get() {
    static Desktop instance;
    return instance;
  }

private:
  Desktop() : desktop(PrivateDesktop::get().desktop.get()), platform(PrivateDesktop::get().platform.get()) {
    std::string error;
    connection = x11::Connection::open(desktop->display(), error);
    if (!connection) failBenchmark(error);
    plain = x11::makePlainCapture(connection);
  }
};

const Rect kScreen = Rect::fromSize(0, 0, 1920, 1080);

std::string nextLineStartingWith(ProbeWindow& probe, const std::string& word) {
  for (std::string line = probe.nextLine(); !line.empty(); line = probe.nextLine()) {
    if (line.rfind(word, 0) == 0) return line;
  }
  return {};
}

// A fresh picture each time, as a caller that keeps nothing gets it.
void BM_CaptureShm(benchmark::State& state) {
  auto& desktop = Desktop::get();
  for (auto _ : state) benchmark::DoNotOptimize(desktop.platform->capture->capture(kScreen));
}
BENCHMARK(BM_CaptureShm)->Unit(benchmark::kMillisecond)->UseRealTime();

void captureWholeScreen(benchmark::State& state, CaptureBuffer& buffer) {
  if (!buffer.captureScreen(*Desktop::get().platform, CaptureSource::WholeScreen)) state.SkipWithError("capture failed");
}

// As the wait for an image takes it, attempt after attempt: the screen's size
// asked for and searched where the server put it, in a frame that is reused.
void BM_CaptureShmIntoBuffer(benchmark::State& state) {
  CaptureBuffer buffer;
  for (auto _ : state) {
    captureWholeScreen(state, buffer);
    benchmark::DoNotOptimize(buffer.rows().top);
  }
}
BENCHMARK(BM_CaptureShmIntoBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The worst case for the wait: a window over the whole screen repainted before
// every capture (outside the timing), so that every row must be fetched again.
void BM_CaptureShmAfterWholeScreenChanged(benchmark::State& state) {
  auto& desktop = Desktop::get();
  ProbeWindow cover(desktop.desktop->display(), "qlm cover", {"--at", "0,0", "--size", "1920,1080"}, true);
  CaptureBuffer buffer;
  for (auto _ : state) {
    state.PauseTiming();
    cover.send("hide");  // clears the whole window
    if (nextLineStartingWith(cover, "hidden").empty()) state.SkipWithError("the cover was not repainted");
    state.ResumeTiming();
    captureWholeScreen(state, buffer);
    benchmark::DoNotOptimize(buffer.rows().top);
  }
}
BENCHMARK(BM_CaptureShmAfterWholeScreenChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, converted into the stored layout as a trace or a text recognition needs it.
void BM_CaptureShmConverted(benchmark::State& state) {
  CaptureBuffer buffer;
  for (auto _ : state) {
    captureWholeScreen(state, buffer);
    benchmark::DoNotOptimize(buffer.picture().pixels.data());
  }
}
BENCHMARK(BM_CaptureShmConverted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CapturePlainXGetImage(benchmark::State& state) {
  auto& desktop = Desktop::get();
  for (auto _ : state) benchmark::DoNotOptimize(desktop.plain->capture(kScreen));
}
BENCHMARK(BM_CapturePlainXGetImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The memory floor: one copy of a full-HD frame between buffers already in use.
void BM_CopyFrameFloor(benchmark::State& state) {
  const std::size_t bytes = 4 * static_cast<std::size_t>(kScreen.width()) * static_cast<std::size_t>(kScreen.height());
  std::vector<std::uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyFrameFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Inject1000KeyEvents(benchmark::State& state) {
  auto& desktop = Desktop::get();
  ProbeWindow probe(desktop.desktop->display(), "qlm bench", 500);
  WindowId window = kNoWindow;
  for (int i = 0; i < 500 && window == kNoWindow; ++i) {
    window = desktop.platform->windows->findWindow(std::nullopt, "qlm bench");
    usleep(10000);
  }
  desktop.platform->windows->setForeground(window);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 500; ++i) {
      desktop.platform->input->sendKey('A', false);
      desktop.platform->input->sendKey('A', true);
    }
    std::string line = probe.nextLine();  // the client has read all 500 presses
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (line.rfind("count", 0) != 0) state.SkipWithError("the client did not receive the keys");
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
  }
}
BENCHMARK(BM_Inject1000KeyEvents)->Unit(benchmark::kMillisecond)->UseManualTime();

// Where the client paints its pattern, and the click inside it.
constexpr Point kPatternInWindow{100, 60};
constexpr Point kClickInPattern{31, 9};

// The value after `word` on a line of the client that starts with it.
long long stamp(const std::string& line, const std::string& word) {
  return line.rfind(word + " ", 0) == 0 ? std::stoll(line.substr(word.size() + 1)) : 0;
}

// The recorder's first record with the quickest pointer, then the whole-screen
// record (title "-") that waits for the pattern and clicks on it.
bool writeDocument(const std::string& path, const Picture& screen, Point pattern) {
  std::filesystem::remove(path);
  const Rect area{pattern.x, pattern.y, pattern.x + 59, pattern.y + 29};
  const Point click{pattern.x + kClickInPattern.x, pattern.y + kClickInPattern.y};
  const std::pair<char, const char*> records[] = {{'1', "SetMouseSpeed(100); SetKeySpeed(100)"},
                                                  {'M', R"(IfImage(10,"V[LBUTTON]","notfound"))"}};
  for (const auto& [kind, text] : records) {
    NewRecordFields fields;
    fields.kind = kind;
    fields.text = text;
    fields.windowTitle = "-";
    fields.click = click;
    fields.imageArea = area;
    fields.areaWidth = fields.pictureWidth = screen.width;
    fields.areaHeight = fields.pictureHeight = screen.height;
    Snapshot snapshot;
    snapshot.setCapture(screen);
    std::string file = path;
    if (!snapshot.beginAppend(file)) return false;
    fields.firstRecordOfFile = snapshot.count() == 0;
    if (!snapshot.appendRecordImage(makeNewRecord(fields)) || !snapshot.appendPicture() || !snapshot.finishAppend()) {
      return false;
    }
  }
  return true;
}

void BM_ClickOnAppearingImage(benchmark::State& state) {
  auto& desktop = Desktop::get();
  Platform& platform = *desktop.platform;
  ProbeWindow probe(desktop.desktop->display(), "qlm appearing",
                    {"--at", "400,300", "--pattern", std::to_string(kPatternInWindow.x) + "," +
                                                         std::to_string(kPatternInWindow.y)},
                    true);
  Point origin;
  std::istringstream(probe.readyLine().substr(6)) >> origin.x >> origin.y;
  const Point pattern{origin.x + kPatternInWindow.x, origin.y + kPatternInWindow.y};
  CaptureBuffer recorded;
  probe.send("show");
  nextLineStartingWith(probe, "shown");
  const bool captured = recorded.captureScreen(platform, CaptureSource::WholeScreen);
  probe.send("hide");
  nextLineStartingWith(probe, "hidden");
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("qlm-bench-appearing-" + std::to_string(getpid()) + ".qlm")).string();
  if (!captured || !writeDocument(path, recorded.picture(), pattern)) {
    state.SkipWithError("cannot record the pattern");
    return;
  }
  MessageLog ui;
  NullTrace trace;
  Document doc(ui, trace, *platform.clock);
  doc.setPlatform(&platform);
  doc.setPathName(path);
  if (!doc.records().load().opened) state.SkipWithError("cannot load the document");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> notes(std::fopen("/dev/null", "w"), std::fclose);
  HeadlessHost host(doc, notes.get());
  DesktopOutput output(doc, platform, host, 3000);
  PlaybackEngine engine(doc, host, output);
  std::vector<double> latencies;
  for (auto _ : state) {
    platform.input->setPointerPosition({5, 5});
    doc.resetVariables();
    PlaybackEnd end = PlaybackEnd::Stopped;
    std::thread player([&] { end = engine.run(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // the search is waiting by now
    probe.send("show");
    const long long shown = stamp(nextLineStartingWith(probe, "shown"), "shown");
    const long long pressed = stamp(nextLineStartingWith(probe, "pressed"), "pressed");
    player.join();
    probe.send("hide");
    nextLineStartingWith(probe, "hidden");
    if (end != PlaybackEnd::Completed || shown == 0 || pressed < shown) {
      state.SkipWithError("the click did not land on the pattern");
      break;
    }
    latencies.push_back(static_cast<double>(pressed - shown) / 1e9);
    state.SetIterationTime(latencies.back());
  }
  std::filesystem::remove(path);
  if (latencies.empty()) return;
  std::nth_element(latencies.begin(), latencies.begin() + latencies.size() / 2, latencies.end());
  state.counters["median_ms"] = latencies[latencies.size() / 2] * 1000;
}
BENCHMARK(BM_ClickOnAppearingImage)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);

// Prints the runs as usual and then each capture beside XGetImage and the floor.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
      m_cpuTimes[run.run_name.function_name] = run.GetAdjustedCPUTime();
      if (auto median = run.counters.find("median_ms"); median != run.counters.end()) m_clickMedian = median->second;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (m_clickMedian > 0) {
      std::printf("IfImage waiting, from the pattern on the screen to the click on it: median %.2f ms\n", m_clickMedian);
    }
    const double plain = m_times["BM_CapturePlainXGetImage"], floor = m_times["BM_CopyFrameFloor"];
    for (const char* name : {"BM_CaptureShmIntoBuffer", "BM_CaptureShmAfterWholeScreenChanged", "BM_CaptureShmConverted",
                             "BM_CaptureShm"}) {
      const double time = m_times[name];
      if (time <= 0 || plain <= 0 || floor <= 0) continue;
      // The processor time of this process alone shows what a busy machine hides.
      std::printf("%s: %.3f ms, XGetImage %.3f ms (%.1fx faster), one frame copy %.3f ms (%.2fx the floor); "
                  "processor time %.3f ms, floor %.3f ms\n",
                  name, time, plain, plain / time, floor, time / floor, m_cpuTimes[name], m_cpuTimes["BM_CopyFrameFloor"]);
    }
  }

private:
  std::map<std::string, double> m_times;
  std::map<std::string, double> m_cpuTimes;
  double m_clickMedian = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrivateDesktop::get().platform.reset();
  return 0;
}
