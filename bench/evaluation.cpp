// Evaluation speed of typical instructions, analysed once and evaluated many times.
#include <benchmark/benchmark.h>

#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/posix/PosixParts.h"

namespace {

class QuietUi final : public qlm::UiService {
 public:
  void showMessage(std::string_view, std::string_view) override {}
};

void evaluateRepeatedly(benchmark::State& state, const char* text) {
  QuietUi ui;
  qlm::NullTrace trace;
  auto clock = qlm::makeSteadyClock();
  qlm::Document doc(ui, trace, *clock);
  qlm::Interpreter in(doc);
  in.analyse("$I=0");
  in.evaluateInstruction(1);
  in.analyse(text);
  for (auto _ : state) {
    qlm::Value value = in.evaluateInstruction(1);
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_IncrementVariable(benchmark::State& state) { evaluateRepeatedly(state, "$I=$I+1"); }
void BM_IfBranch(benchmark::State& state) { evaluateRepeatedly(state, "If($I<5,\"a\",\"b\")"); }
void BM_TextAppend(benchmark::State& state) { evaluateRepeatedly(state, "\"Total: \"&$I&\"V[TAB]\""); }

BENCHMARK(BM_IncrementVariable);
BENCHMARK(BM_IfBranch);
BENCHMARK(BM_TextAppend);

}  // namespace
