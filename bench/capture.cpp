// Screen capture and injection on a private virtual desktop.
//  - Capture of a 1920x1080 screen into the stored picture layout (conversion
//    included) through shared memory, against plain XGetImage in the same run.
//  - 1,000 key events (500 taps) injected back to back until a test client of
//    ours has received them all.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>

#include "platform/VirtualKeys.h"
#include "ProbeWindow.h"
#include "platform/x11/VirtualDesktop.h"
#include "platform/x11/X11Parts.h"
#include "platform/x11/X11Platform.h"

namespace {

using namespace qlm;

struct Desktop {
  std::unique_ptr<VirtualDesktop> desktop;
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Capture> plain;
  std::shared_ptr<x11::Connection> connection;

  static Desktop& get() {
    static Desktop instance;
    return instance;
  }

private:
  Desktop() {
    std::string error;
    desktop = VirtualDesktop::start({}, error);
    if (!desktop) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(1);
    }
    platform = createX11Platform(desktop->display()).platform;
    connection = x11::Connection::open(desktop->display(), error);
    plain = x11::makePlainCapture(connection);
  }
};

const Rect kScreen = Rect::fromSize(0, 0, 1920, 1080);

void BM_CaptureShm(benchmark::State& state) {
  auto& desktop = Desktop::get();
  for (auto _ : state) benchmark::DoNotOptimize(desktop.platform->capture->capture(kScreen));
}
BENCHMARK(BM_CaptureShm)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CapturePlainXGetImage(benchmark::State& state) {
  auto& desktop = Desktop::get();
  for (auto _ : state) benchmark::DoNotOptimize(desktop.plain->capture(kScreen));
}
BENCHMARK(BM_CapturePlainXGetImage)->Unit(benchmark::kMillisecond)->UseRealTime();


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

// Prints the runs as usual and then how much faster the shared-memory capture is.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double shm = m_times["BM_CaptureShm"], plain = m_times["BM_CapturePlainXGetImage"];
    if (shm > 0 && plain > 0) std::printf("capture speed-up of shared memory over XGetImage: %.1fx\n", plain / shm);
  }

private:
  std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  Desktop::get().platform.reset();
  return 0;
}
