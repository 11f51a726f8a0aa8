// The verbose note's cost per played instruction: the note along the target's
// top edge moved to the next target, repainted and closed again, as playback
// does around each instruction's keys, against the same steps at Verbose(0),
// where the note stays hidden. The desktop application's window runs on the
// X server of $DISPLAY when there is one (run it on the virtual desktop), else
// on Qt's offscreen platform; the overlay of qlm play runs on a private
// virtual desktop, each step ending with a round trip to the server so that
// its drawing is counted too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "PrivateDesktop.h"
#include "ui/VerboseOverlay.h"
#include "QtBenchmarkMain.h"

namespace {

using namespace qlm;

void playedInstructions(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  VerboseNotes notes(false);
  const WId window = notes.targetNote().winId();
  int step = 0;
  for (auto _ : state) {
    VerboseNote note;
    note.level = level;
    note.area = QRect(40 + (step % 7) * 30, 60 + (step % 5) * 20, 640, 22);
    note.status = QStringLiteral(" \"Hello from the window\"V[RETURN] ");
    notes.showTargetNote(note);
    QApplication::processEvents();
    notes.closeNotes();
    QApplication::processEvents();
    ++step;
  }
  // Between instructions the one window is moved, never made again.
  state.counters["remade"] = notes.targetNote().winId() == window ? 0 : 1;
}
BENCHMARK(playedInstructions)->Arg(0)->Arg(7)->Unit(benchmark::kMicrosecond);

void playedInstructionsOfQlmPlay(benchmark::State& state) {
  Platform& platform = *PrivateDesktop::get().platform;
  if (!platform.overlay) failBenchmark("the desktop draws no overlay");
  OverlayNote note;
  note.level = static_cast<int>(state.range(0));
  note.status = " \"Hello from the window\"V[RETURN] ";
  int step = 0;
  for (auto _ : state) {
    note.area = Rect::fromSize(40 + (step % 7) * 30, 60 + (step % 5) * 20, 640, 22);
    platform.overlay->show(OverlaySlot::Target, note);
    benchmark::DoNotOptimize(platform.windows->foreground());
    platform.overlay->hide(OverlaySlot::Target);
    benchmark::DoNotOptimize(platform.windows->foreground());
    ++step;
  }
}
BENCHMARK(playedInstructionsOfQlmPlay)->Arg(0)->Arg(7)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return qlm::bench::runQtBenchmarks(argc, argv, qlm::bench::QtScreen::DisplayWhenSet); }
