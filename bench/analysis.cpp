// Analysis and syntax check of one long, valid instruction text, as the
// record editor does on every confirmed edit and playback on every record.
#include <benchmark/benchmark.h>

#include <string>

#include "language/Lexer.h"
#include "language/SyntaxChecker.h"

namespace {

std::string longInstruction() {
  const char* parts[] = {
      "$X=3",
      "Wait(100)",
      "IfImage(5,\"V[LBUTTON]\",MsgBox(\"not found\"))",
      "\"Total: \"&$N&\"V[TAB]\"",
      "If($A==1,\"x\",\"y\")",
      "SetVar($X,SubStr(GetClipboard(),2,4))",
      "\"\\[CTRL]cV[END]/[CTRL]\"",
      "$I=(($I+1)*2-3)/4",
      "GoTo(:LOOP,1)",
      "IfText(\"Save\",10,\"V[RETURN]\",Ask(\"Again?\",\"Yes\",GoTo(1,1),\"No\",Stop()))",
  };
  std::string text;
  for (int i = 0; text.size() < 940; ++i) {
    if (!text.empty()) text += "; ";
    text += parts[i % 10];
  }
  text += "; \"";
  text.resize(999, 'z');
  text += '"';
  return text;
}

void analysisAndCheck(benchmark::State& bench) {
  const std::string text = longInstruction();
  qlm::AnalysisState state;
  qlm::analyse(text, 0, 0, state);
  if (!qlm::checkSyntax(state).ok || state.length() != 1000) {
    bench.SkipWithError("benchmark text does not pass the check");
    return;
  }
  for (auto _ : bench) {
    qlm::analyse(text, 500, 500, state);
    benchmark::DoNotOptimize(qlm::checkSyntax(state).ok);
  }
}
BENCHMARK(analysisAndCheck);

void analysisOnly(benchmark::State& bench) {
  const std::string text = longInstruction();
  qlm::AnalysisState state;
  for (auto _ : bench) {
    qlm::analyse(text, 500, 500, state);
    benchmark::DoNotOptimize(state.instructionCount);
  }
}
BENCHMARK(analysisOnly);

}  // namespace
