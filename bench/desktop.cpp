// The desktop application: start-up to a shown main window with a 1,000-record
// document with pictures, opening the largest document (39,999 records) and
// scrolling its list end to end, each against the document load alone. The
// growth of resident memory while the window is open is a counter (MB).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "document/RecordDocument.h"
#include "document/Snapshot.h"
#include "LargeDocument.h"
#include "platform/sim/SimDesktop.h"
#include "ui/MainWindow.h"
#include "ui/RecordListModel.h"
#include "QtBenchmarkMain.h"

namespace {

namespace fs = std::filesystem;
using namespace qlm;

const fs::path kFolder = fs::temp_directory_path() / ("qlm-bench-desktop-" + std::to_string(::getpid()));

double residentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Blocks written straight after the table, as a recorder would have left them.
std::string makeDocument(const std::string& name, int records, int pictureWidth, int pictureHeight) {
  fs::create_directories(kFolder);
  std::string path = (kFolder / name).string();
  if (fs::exists(path)) return path;
  Picture picture;
  picture.width = pictureWidth;
  picture.height = pictureHeight;
  picture.pixels.resize(picture.pixelBytes());
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = static_cast<std::uint8_t>(i * 7);
  bench::writeLargeDocument(path, records, picture, [&](int i) {
    NewRecordFields fields;
    fields.text = "\"record " + std::to_string(i) + "V[RETURN]\"";
    fields.windowTitle = "Terminal";
    fields.windowClass = "XTerm";
    fields.process = "xterm";
    fields.areaWidth = pictureWidth;
    fields.areaHeight = pictureHeight;
    fields.pictureWidth = pictureWidth;
    fields.pictureHeight = pictureHeight;
    return makeNewRecord(fields);
  });
  return path;
}

struct Desktop {
  std::shared_ptr<SimDesktop> sim = std::make_shared<SimDesktop>();
  std::unique_ptr<Platform> platform = makeSimPlatform(sim);
  MessageLog ui;
};

// Window made, document opened, window shown with the first record's picture.
void StartupToShownWindow(benchmark::State& state, int records, int width, int height) {
  std::string path = makeDocument("startup-" + std::to_string(records) + ".qlm", records, width, height);
  double before = residentMegabytes();
  double shown = 0;
  for (auto _ : state) {
    Desktop desktop;
    MainWindow window(*desktop.platform, desktop.ui);
    if (!window.openDocument(QString::fromStdString(path))) state.SkipWithError("open failed");
    window.show();
    window.selectRow(0);
    QApplication::processEvents();
    window.repaint();
    benchmark::DoNotOptimize(window.isVisible());
    shown = residentMegabytes();
  }
  state.counters["rss_growth_MB"] = shown - before;
}

void LoadAlone(benchmark::State& state, int records, int width, int height) {
  std::string path = makeDocument("startup-" + std::to_string(records) + ".qlm", records, width, height);
  double before = residentMegabytes();
  double loaded = 0;
  for (auto _ : state) {
    RecordDocument document;
    document.setPath(path);
    if (!document.load().opened) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(document.count());
    loaded = residentMegabytes();
  }
  state.counters["rss_growth_MB"] = loaded - before;
}

void ScrollLargestEndToEnd(benchmark::State& state) {
  std::string path = makeDocument("largest.qlm", kMaxRecordsInFile, 1, 1);
  Desktop desktop;
  MainWindow window(*desktop.platform, desktop.ui);
  if (!window.openDocument(QString::fromStdString(path))) state.SkipWithError("open failed");
  window.resize(1280, 800);
  window.show();
  QApplication::processEvents();
  QTableView& list = window.list();
  QScrollBar* bar = list.verticalScrollBar();
  int rowsShown = std::max(1, list.viewport()->height() / std::max(1, list.rowHeight(0)));
  double before = residentMegabytes();
  long long pages = 0;
  for (auto _ : state) {
    for (int value = bar->minimum(); value <= bar->maximum(); value += rowsShown) {
      bar->setValue(value);
      window.list().viewport()->repaint();
      ++pages;
    }
    bar->setValue(bar->minimum());
  }
  state.counters["steps"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kAvgIterations);
  state.counters["rows_per_step"] = rowsShown;
  state.counters["rss_growth_MB"] = residentMegabytes() - before;
}

BENCHMARK_CAPTURE(StartupToShownWindow, records_1000_pictures_320x200, 1000, 320, 200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAlone, records_1000_pictures_320x200, 1000, 320, 200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartupToShownWindow, records_39999, kMaxRecordsInFile, 1, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAlone, records_39999, kMaxRecordsInFile, 1, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollLargestEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return qlm::bench::runQtBenchmarks(argc, argv, qlm::bench::QtScreen::Offscreen); }
