// Recording on a private full-HD virtual desktop: how long from a key that
// ends a record to the record on disk (picture and crash-safe append), and
// whether a burst of 2,000 keys typed 1 ms apart all reach the document in
// order. The keys come from another connection, as a user's would.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "document/Snapshot.h"
#include "platform/VirtualKeys.h"
#include "platform/x11/VirtualDesktop.h"
#include "platform/x11/X11Platform.h"
#include "recorder/Recorder.h"

namespace {

using namespace qlm;
using Clock = std::chrono::steady_clock;

void fail(const std::string& why) {
  std::fprintf(stderr, "bench_recording: %s\n", why.c_str());
  std::exit(1);
}

pid_t spawn(std::vector<std::string> args, const std::string& display) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string env = "DISPLAY=" + display, path = "PATH=/usr/bin:/bin";
  char* envp[] = {env.data(), path.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp) != 0) fail("cannot start " + args[0]);
  return pid;
}

class Waiter final : public RecorderObserver {
public:
  void recordMade(const MadeRecord&) override {
    std::lock_guard lock(m_mutex);
    ++m_made;
    m_changed.notify_all();
  }
  void recordingStopped(const Outcome&) override {}
  void waitFor(int made) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_made >= made; })) fail("no record came");
  }
  int made() {
    std::lock_guard lock(m_mutex);
    return m_made;
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_made = 0;
};

struct Desktop {
  std::unique_ptr<VirtualDesktop> desktop;
  std::unique_ptr<Platform> recording;  // the recorder's
  std::unique_ptr<Platform> user;       // types as the user
  pid_t terminal = 0;
  std::filesystem::path folder = std::filesystem::temp_directory_path() / ("qlm-bench-rec-" + std::to_string(getpid()));

  static Desktop& get() {
    static Desktop instance;
    return instance;
  }
  ~Desktop() {
    if (terminal > 0) {
      kill(terminal, SIGTERM);
      waitpid(terminal, nullptr, 0);
    }
    std::filesystem::remove_all(folder);
  }

private:
  Desktop() {
    std::string error;
    desktop = VirtualDesktop::start({}, error);
    if (!desktop) fail(error);
    PlatformResult first = createX11Platform(desktop->display());
    PlatformResult second = createX11Platform(desktop->display());
    if (!first.platform || !second.platform) fail(first.message + second.message);
    recording = std::move(first.platform);
    user = std::move(second.platform);
    std::filesystem::create_directories(folder);
    terminal = spawn({"xterm", "-geometry", "120x40+20+20", "-T", "qlm bench", "-e", "sh", "-c", "cat > /dev/null"},
                     desktop->display());
    WindowId window = kNoWindow;
    for (int i = 0; i < 2000 && window == kNoWindow; ++i) {
      window = recording->windows->findWindow(std::nullopt, "qlm bench");
      usleep(10000);
    }
    if (window == kNoWindow || !recording->windows->setForeground(window)) fail("the xterm did not come up");
    usleep(500000);
  }
};

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// One record per iteration: Return pressed and released as the user would.
void recordEndingKeyToDisk(benchmark::State& state) {
  Desktop& d = Desktop::get();
  std::string path = (d.folder / "latency.qlm").string();
  std::filesystem::remove(path);
  Waiter waiter;
  Recorder recorder(*d.recording, waiter);
  if (!recorder.start(path)) fail("recording does not start");
  std::vector<double> milliseconds;
  for (auto _ : state) {
    int before = waiter.made();
    auto start = Clock::now();
    d.user->input->sendKey(vk::kReturn, false);
    d.user->input->sendKey(vk::kReturn, true);
    waiter.waitFor(before + 1);
    std::chrono::duration<double> elapsed = Clock::now() - start;
    state.SetIterationTime(elapsed.count());
    milliseconds.push_back(elapsed.count() * 1000);
  }
  recorder.stop();
  state.counters["median_ms"] = percentile(milliseconds, 0.5);
  state.counters["p99_ms"] = percentile(milliseconds, 0.99);
}
BENCHMARK(recordEndingKeyToDisk)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

// 2,000 letters through xdotool at 1 ms intervals; the instructions joined
// must be exactly the letters typed.
void burstOfKeys(benchmark::State& state) {
  Desktop& d = Desktop::get();
  std::string typed;
  for (int i = 0; i < 2000; ++i) typed += static_cast<char>('a' + (i * 7) % 26);
  long lost = 0, wrong = 0;
  for (auto _ : state) {
    std::string path = (d.folder / "burst.qlm").string();
    std::filesystem::remove(path);
    Waiter waiter;
    Recorder recorder(*d.recording, waiter);
    if (!recorder.start(path)) fail("recording does not start");
    auto start = Clock::now();
    pid_t typing = spawn({"xdotool", "type", "--delay", "1", typed}, d.desktop->display());
    waitpid(typing, nullptr, 0);
    usleep(300000);  // the last events pass the watch's pairing wait
    recorder.stop();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    std::string recorded;
    Snapshot reader;
    if (!reader.openForReading(path)) fail("the document does not open");
    for (int i = 2; i < reader.count(); ++i) {
      if (reader.readRecord(i) != 0) continue;
      std::string text = reader.record().text(TextField::Instruction);
      if (text.size() >= 2) recorded += text.substr(1, text.size() - 2);
    }
    lost = static_cast<long>(typed.size()) - static_cast<long>(recorded.size());
    wrong = recorded == typed ? 0 : 1;
  }
  state.counters["lost"] = static_cast<double>(lost);
  state.counters["not_identical"] = static_cast<double>(wrong);
}
BENCHMARK(burstOfKeys)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
