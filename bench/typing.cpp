// What the check that the keyboard focus is in the target costs: the same
// text typed into the same client with the check (the target of a lookup)
// and without it (foreground mode 0), at SetKeySpeed(100), on a private
// virtual desktop; and the same for bare key events without any delay. The
// ratios are printed at the end; the check must not slow typing measurably.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "language/Document.h"
#include "language/Services.h"
#include "ProbeWindow.h"
#include "PrivateDesktop.h"
#include "playback/Injection.h"
#include "playback/TargetSelection.h"

namespace {

using namespace qlm;

constexpr int kCharacters = 100;

struct Desktop {
  Platform* platform = nullptr;
  std::unique_ptr<ProbeWindow> probe;
  WindowId window = kNoWindow;

  static Desktop& get() {
    static Desktop instance;
    return instance;
  }

 private:
  Desktop() : platform(PrivateDesktop::get().platform.get()) {
    probe = std::make_unique<ProbeWindow>(PrivateDesktop::get().desktop->display(), "qlm typing", kCharacters);
    for (int i = 0; i < 500 && window == kNoWindow; ++i) {
      window = platform->windows->findWindow(std::nullopt, "qlm typing");
      usleep(10000);
    }
    if (window == kNoWindow || !platform->windows->setForeground(window)) {
      failBenchmark("bench_typing: the probe client did not come up");
    }
  }
};

// Types kCharacters letters through playback's injection, with or without the check.
void typeText(benchmark::State& state, bool checked) {
  Desktop& desktop = Desktop::get();
  MessageLog ui;
  NullTrace trace;
  Document doc(ui, trace, *desktop.platform->clock);
  doc.setPlatform(desktop.platform);
  doc.resetVariables();
  doc.setVariableNumber("$QLM_KEY_SPEED", 0);  // SetKeySpeed(100)
  if (!checked) doc.settings().foregroundMode = 0;
  TargetSelector selector(doc, *desktop.platform);
  Injection injection(doc, *desktop.platform, selector);
  const RecordTarget record{"QlmProbe", "qlm typing", {10, 10}};
  const std::string text(kCharacters, 'q');
  for (auto _ : state) {
    if (!selector.findWindowLike(record.className, record.title, false, 3000, true, "AppWait")) {
      state.SkipWithError("the probe client was not found");
      break;
    }
    if ((selector.lastLookup().foundWindow != kNoWindow) != checked) state.SkipWithError("wrong lookup mode");
    auto start = std::chrono::steady_clock::now();
    if (!injection.sendText(text, record)) state.SkipWithError(ui.messages().empty() ? "cut short" : ui.messages().back().c_str());
    std::string line = desktop.probe->nextLine();  // the client has read every key
    if (line.rfind("count", 0) != 0) state.SkipWithError("the client did not receive the keys");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

void BM_TypingChecked(benchmark::State& state) { typeText(state, true); }
void BM_TypingUnchecked(benchmark::State& state) { typeText(state, false); }
BENCHMARK(BM_TypingUnchecked)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_TypingChecked)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The bare cost per key press, without the delays of typing.
void keyEvents(benchmark::State& state, bool checked) {
  Desktop& desktop = Desktop::get();
  Input& input = *desktop.platform->input;
  const WindowId target = checked ? desktop.window : kNoWindow;
  desktop.platform->windows->setForeground(desktop.window);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCharacters; ++i) {
      if (input.sendKeyInto(target, 'Q', false) != Delivery::Sent) state.SkipWithError("key not sent");
      input.sendKey('Q', true);
    }
    std::string line = desktop.probe->nextLine();
    if (line.rfind("count", 0) != 0) state.SkipWithError("the client did not receive the keys");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

void BM_KeyEventsChecked(benchmark::State& state) { keyEvents(state, true); }
void BM_KeyEventsUnchecked(benchmark::State& state) { keyEvents(state, false); }
BENCHMARK(BM_KeyEventsUnchecked)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_KeyEventsChecked)->Unit(benchmark::kMillisecond)->UseManualTime();

class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void printRatios() {
    auto ratio = [&](const char* checked, const char* unchecked, const char* what) {
      double with = m_times[checked], without = m_times[unchecked];
      if (with > 0 && without > 0) {
        std::printf("%s: with the focus check %.1f ms, without %.1f ms, ratio %.3f\n", what, with, without,
                    with / without);
      }
    };
    ratio("BM_TypingChecked", "BM_TypingUnchecked", "100 characters at SetKeySpeed(100)");
    ratio("BM_KeyEventsChecked", "BM_KeyEventsUnchecked", "100 bare key presses");
  }

 private:
  std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
