#pragma once
// main() for benchmarks of Qt widgets. The application lives in main's frame: ended from the
// program's exit handlers instead, it would call Qt's clean-up routines after the objects they
// clean up were gone.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

namespace qlm::bench {

enum class QtScreen { Offscreen, DisplayWhenSet };

inline int runQtBenchmarks(int argc, char** argv, QtScreen screen) {
  if (screen == QtScreen::Offscreen || std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace qlm::bench
