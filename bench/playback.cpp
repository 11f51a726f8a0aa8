// Playback of a 10,000-record document whose instructions send nothing
// ($I=$I+1), trace and debug off: what the engine itself costs per
// instruction. Played as `qlm play` plays it (document file, headless host,
// desktop output, user-activity watch) on the simulated desktop and on a
// private virtual X desktop; the two medians and their ratio are printed at
// the end. Targets: under 1 s on the simulated desktop, the virtual desktop
// within 2x of it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/HeadlessHost.h"
#include "document/BmpBlock.h"
#include "language/Document.h"
#include "document/QlmTable.h"
#include "document/RecordImage.h"
#include "platform/sim/SimDesktop.h"
#include "playback/DesktopOutput.h"
#include "playback/PlaybackEngine.h"
#include "playback/UserActivityWatch.h"
#include "PrivateDesktop.h"

namespace {

namespace fs = std::filesystem;
using namespace qlm;

constexpr int kRecords = 10000;

// Written in one go in the file layout, as a recorder would have left it:
// ten thousand appends through the crash-safe path would take minutes.
class BenchDocument {
 public:
  BenchDocument() {
    m_path = fs::temp_directory_path() / ("qlm-bench-playback-" + std::to_string(::getpid()) + ".qlm");
    Picture picture;
    picture.width = picture.height = 4;
    picture.pixels.assign(picture.pixelBytes(), 0x5A);
    std::vector<std::uint8_t> pictureBytes = bmpFileBytes(picture);
    NewRecordFields fields;
    fields.text = "$I=$I+1";
    fields.windowClass = "XTerm";
    fields.windowTitle = "Terminal";
    fields.areaWidth = fields.areaHeight = 400;
    fields.pictureWidth = fields.pictureHeight = picture.width;
    QlmTable table = QlmTable::empty();
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    std::uint64_t end = kDataStart;
    for (int i = 0; i < kRecords; ++i) {
      RecordImage record = makeNewRecord(fields);
      record.set(IntField::Number, i);
      table.setEntry(i, static_cast<std::uint32_t>(end));
      bool written = ::pwrite(fd, record.bytes().data(), kRecordSize, static_cast<off_t>(end)) ==
                         static_cast<ssize_t>(kRecordSize) &&
                     ::pwrite(fd, pictureBytes.data(), pictureBytes.size(), static_cast<off_t>(end + kRecordSize)) ==
                         static_cast<ssize_t>(pictureBytes.size());
      if (!written) fail("cannot write " + m_path.string());
      end += kRecordSize + pictureBytes.size();
    }
    table.setCount(kRecords);
    table.setEntry(kRecords, static_cast<std::uint32_t>(end));
    if (::pwrite(fd, table.bytes().data(), table.bytes().size(), 0) != static_cast<ssize_t>(table.bytes().size())) {
      fail("cannot write " + m_path.string());
    }
    ::close(fd);
  }
  ~BenchDocument() { fs::remove(m_path); }
  std::string path() const { return m_path.string(); }

  static void fail(const std::string& why) {
    std::fprintf(stderr, "bench_playback: %s\n", why.c_str());
    std::exit(1);
  }

 private:
  fs::path m_path;
};

const BenchDocument& benchDocument() {
  static BenchDocument document;
  return document;
}

// The document loaded once and played as often as the benchmark asks.
class Player {
 public:
  explicit Player(Platform& platform) : m_platform(platform) {
    m_doc.setPlatform(&platform);
    m_doc.setPathName(benchDocument().path());
    if (!m_doc.records().load().opened || m_doc.records().count() != kRecords) {
      BenchDocument::fail("cannot load " + benchDocument().path());
    }
    m_watch.install(*platform.inputWatch);
  }
  ~Player() { m_watch.uninstall(); }

  void play(benchmark::State& state) {
    if (m_engine.run() != PlaybackEnd::Completed || m_doc.readVariableNumber("$I") != kRecords) {
      state.SkipWithError("the playback did not run every record");
    }
  }

 private:
  Platform& m_platform;
  MessageLog m_ui;
  NullTrace m_trace;
  Document m_doc{m_ui, m_trace, *m_platform.clock};
  HeadlessHost m_host{m_doc, stderr};
  UserActivityWatch m_watch{m_doc, nullptr, 0};
  DesktopOutput m_output{m_doc, m_platform, m_host, 15000};
  PlaybackEngine m_engine{m_doc, m_host, m_output};
};

void reportPerInstruction(benchmark::State& state) {
  state.counters["per_instruction"] = benchmark::Counter(static_cast<double>(state.iterations()) * kRecords,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PlaybackSim(benchmark::State& state) {
  auto desktop = std::make_shared<SimDesktop>(1920, 1080);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  Player player(*platform);
  for (auto _ : state) player.play(state);
  reportPerInstruction(state);
}
BENCHMARK(BM_PlaybackSim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaybackVirtualDesktop(benchmark::State& state) {
  Player player(*PrivateDesktop::get().platform);
  for (auto _ : state) player.play(state);
  reportPerInstruction(state);
}
BENCHMARK(BM_PlaybackVirtualDesktop)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the median of every benchmark (the mean of a single repetition when
// there are none) to print the ratio after the table.
class MedianReporter final : public benchmark::ConsoleReporter {
 public:
  MedianReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median" : !m_medians.count(name)) {
        m_medians[name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatio() const {
    auto sim = m_medians.find("BM_PlaybackSim");
    auto x11 = m_medians.find("BM_PlaybackVirtualDesktop");
    if (sim == m_medians.end() || x11 == m_medians.end() || sim->second <= 0) return;
    std::printf("\nmedian of %d records: simulated desktop %.1f ms, virtual desktop %.1f ms, ratio %.2f\n", kRecords,
                sim->second, x11->second, x11->second / sim->second);
  }

 private:
  std::map<std::string, double> m_medians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio();
  benchmark::Shutdown();
  return 0;
}
