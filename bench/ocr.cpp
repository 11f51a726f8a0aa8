// Both text-recognition engines on the same rendered UI texts (100 texts, 3
// sizes, 4 colour styles): time per one-line call, and accuracy as counters
// (characters right by edit distance, texts read exactly), side by side.
// Run: make bench, or build-bench/bench_ocr --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../tests/ocr/RenderedText.h"
#include "ocr/Recognise.h"

namespace {

using namespace qlm;

std::vector<std::string> uiTexts() {
  const char* verbs[] = {"Open", "Save", "Close", "Print", "Delete", "Rename", "Copy", "Paste", "Find", "Replace"};
  const char* objects[] = {"File", "Document", "Window", "Record", "Picture", "Settings", "Folder", "Project", "Table",
                           "Report"};
  std::vector<std::string> texts;
  int number = 7;
  for (const char* verb : verbs) {
    for (const char* object : objects) {
      std::string text = std::string(verb) + " " + object;
      if (texts.size() % 3 == 0) text += " (" + std::to_string(number = number * 37 % 1009) + ")";
      texts.push_back(text);
    }
  }
  return texts;
}

struct Sample {
  std::string text;
  Picture picture;
};

const std::vector<Sample>& samples(int size) {
  static std::vector<std::vector<Sample>> bySize(64);
  std::vector<Sample>& set = bySize[static_cast<std::size_t>(size)];
  if (set.empty()) {
    testing::TextRenderer renderer;
    for (const testing::TextStyle& style : testing::kTextStyles) {
      for (const std::string& text : uiTexts()) set.push_back({text, renderer.render(text, size, style)});
    }
  }
  return set;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

void recognise(benchmark::State& state, OcrEngineKind kind) {
  const int size = static_cast<int>(state.range(0));
  const std::vector<Sample>& set = samples(size);
  OcrEngine& engine = ocrEngine(kind);
  std::size_t characters = 0, wrong = 0, textsRight = 0;
  for (const Sample& sample : set) {
    AreaText read = recogniseArea(sample.picture, testing::wholePicture(sample.picture), engine);
    std::string text = read.recognition.text;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    characters += sample.text.size();
    wrong += std::min(editDistance(text, sample.text), sample.text.size());
    textsRight += text == sample.text ? 1 : 0;
  }
  std::size_t next = 0;
  for (auto _ : state) {
    const Sample& sample = set[next++ % set.size()];
    benchmark::DoNotOptimize(recogniseArea(sample.picture, testing::wholePicture(sample.picture), engine));
  }
  state.counters["chars_right_%"] = 100.0 * static_cast<double>(characters - wrong) / static_cast<double>(characters);
  state.counters["texts_right_%"] = 100.0 * static_cast<double>(textsRight) / static_cast<double>(set.size());
}

void BM_Tesseract(benchmark::State& state) { recognise(state, OcrEngineKind::Tesseract); }
void BM_Gocr(benchmark::State& state) { recognise(state, OcrEngineKind::Gocr); }

// Pixel sizes of small, usual and large UI text.
BENCHMARK(BM_Tesseract)->Arg(12)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gocr)->Arg(12)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
