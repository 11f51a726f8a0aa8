// findSmallInBig against OpenCV's matchTemplate (TM_SQDIFF + minMaxLoc) on 1920 x 1080 screens,
// searching a 41 x 21 area near the bottom or one that is absent, and against the memory-read
// floor: one pass over the frame. Prints the medians, the ratios and each goal's figure.
// Run: make bench, or build-bench/bench_image_search --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <immintrin.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "imaging/BmpFinder.h"

#ifdef QLM_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using qlm::Picture;

Picture blankPicture(int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  p.pixels.assign(p.pixelBytes(), 0);
  return p;
}

Picture loadScreen(const char* name) {
  const std::string path = std::string(QLM_TEST_DATA_DIR) + "/screens/" + name;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return Picture{};
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint8_t> topDown(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, topDown.data(), 0, nullptr)) return Picture{};
  Picture p = blankPicture(static_cast<int>(image.width), static_cast<int>(image.height));
  const std::size_t row = p.stride();
  for (int y = 0; y < p.height; ++y) std::copy_n(topDown.data() + row * static_cast<std::size_t>(y), row, p.rowFromTop(y));
  return p;
}

Picture cut(const Picture& from, int x, int y, int w, int h) {
  Picture p = blankPicture(w, h);
  for (int r = 0; r < h; ++r) std::copy_n(from.rowFromTop(y + r) + 4 * x, 4 * w, p.rowFromTop(r));
  return p;
}

void paste(Picture& into, const Picture& piece, int x, int y) {
  for (int r = 0; r < piece.height; ++r) std::copy_n(piece.rowFromTop(r), 4 * piece.width, into.rowFromTop(y + r) + 4 * x);
}

void fill(Picture& p, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  for (std::size_t i = 0; i < p.pixels.size(); i += 4) {
    p.pixels[i] = blue;
    p.pixels[i + 1] = green;
    p.pixels[i + 2] = red;
  }
}

Picture absentArea() {
  Picture p = blankPicture(41, 21);
  for (int y = 0; y < 21; ++y) {
    for (int x = 0; x < 41; ++x) {
      std::uint8_t* px = p.rowFromTop(y) + 4 * x;
      const bool stripe = (x + y) % 6 < 3;
      px[0] = stripe ? 200 : 30;
      px[1] = stripe ? 20 : 220;
      px[2] = stripe ? 210 : 40;
    }
  }
  return p;
}

struct Scene {
  std::string name;
  Picture big;
  Picture area;
};

// The clock's lower ticks, near the bottom of the terminal screen.
constexpr int kAreaX = 1680;
constexpr int kAreaY = 990;

const std::vector<Scene>& scenes() {
  static const std::vector<Scene> all = [] {
    std::vector<Scene> list;
    const Picture terminals = loadScreen("desktop-terminals-1920x1080.png");
    const Picture blue = loadScreen("desktop-blue-1920x1080.png");
    Picture flat = blankPicture(1920, 1080);
    fill(flat, 58, 110, 165);
    const Picture clockArea = cut(terminals, kAreaX, kAreaY, 41, 21);
    paste(flat, clockArea, kAreaX, kAreaY + 40);
    list.push_back({"terminals/bottom", terminals, clockArea});
    list.push_back({"terminals/absent", terminals, absentArea()});
    list.push_back({"blue/bottom", blue, cut(blue, kAreaX, kAreaY, 41, 21)});
    list.push_back({"blue/absent", blue, absentArea()});
    list.push_back({"flat/bottom", flat, clockArea});
    list.push_back({"flat/absent", flat, absentArea()});
    return list;
  }();
  return all;
}

struct Mode {
  const char* name;
  qlm::SearchMethod method;
  int colourTol;
  int pixelTol;
};

constexpr Mode kModes[] = {
    {"IMAGE_0_0", qlm::SearchMethod::Image, 0, 0},
    {"IMAGE_5_10", qlm::SearchMethod::Image, 5, 10},
    {"SHAPE_5_0", qlm::SearchMethod::Shape, 5, 0},
};

void runFinder(benchmark::State& state, const Scene& scene, const Mode& mode) {
  qlm::BmpFinder finder;
  finder.loadSmall(scene.area, 0, 0, scene.area.width, scene.area.height);
  int x = -1;
  int y = -1;
  for (auto _ : state) {
    // Playback reloads the big picture on every attempt; so does this loop.
    finder.loadBig(scene.big);
    benchmark::DoNotOptimize(finder.findSmallInBig(mode.method, mode.colourTol, mode.pixelTol, 0, 0, -1, -1, x, y));
  }
  state.SetLabel("found " + std::to_string(x) + "," + std::to_string(y));
}

// Reads every byte of the frame once, as fast as the processor allows.
__attribute__((target("avx2"))) std::uint64_t readFrameAvx2(const std::uint8_t* bytes, std::size_t count) {
  __m256i folded = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 128 <= count; i += 128) {
    const auto* at = reinterpret_cast<const __m256i*>(bytes + i);
    const __m256i pair = _mm256_xor_si256(_mm256_loadu_si256(at), _mm256_loadu_si256(at + 1));
    const __m256i other = _mm256_xor_si256(_mm256_loadu_si256(at + 2), _mm256_loadu_si256(at + 3));
    folded = _mm256_xor_si256(folded, _mm256_xor_si256(pair, other));
  }
  std::uint64_t result = static_cast<std::uint64_t>(_mm256_extract_epi64(folded, 0)) ^
                         static_cast<std::uint64_t>(_mm256_extract_epi64(folded, 3));
  for (; i < count; ++i) result ^= bytes[i];
  return result;
}

void runMemoryFloor(benchmark::State& state, const Scene& scene) {
  for (auto _ : state) benchmark::DoNotOptimize(readFrameAvx2(scene.big.pixels.data(), scene.big.pixels.size()));
}

#ifdef QLM_WITH_OPENCV
cv::Mat toBgr(const Picture& p) {
  cv::Mat bgr(p.height, p.width, CV_8UC3);
  for (int y = 0; y < p.height; ++y) {
    const std::uint8_t* source = p.rowFromTop(y);
    auto* target = bgr.ptr<std::uint8_t>(y);
    for (int x = 0; x < p.width; ++x) std::copy_n(source + 4 * x, 3, target + 3 * x);
  }
  return bgr;
}

void runMatchTemplate(benchmark::State& state, const Scene& scene) {
  const cv::Mat big = toBgr(scene.big);
  const cv::Mat area = toBgr(scene.area);
  cv::Mat result;
  cv::Point best;
  double lowest = 0;
  for (auto _ : state) {
    cv::matchTemplate(big, area, result, cv::TM_SQDIFF);
    cv::minMaxLoc(result, &lowest, nullptr, &best, nullptr);
    benchmark::DoNotOptimize(best);
  }
  state.SetLabel("best " + std::to_string(best.x) + "," + std::to_string(best.y));
}
#endif

void registerAll() {
  benchmark::RegisterBenchmark("floor/read-frame", [](benchmark::State& s) { runMemoryFloor(s, scenes().front()); })
      ->Unit(benchmark::kMillisecond);
  for (const Scene& scene : scenes()) {
    for (const Mode& mode : kModes) {
      benchmark::RegisterBenchmark((std::string(mode.name) + "/" + scene.name + "/BmpFinder").c_str(),
                                   [&scene, &mode](benchmark::State& s) { runFinder(s, scene, mode); })
          ->Unit(benchmark::kMillisecond);
    }
#ifdef QLM_WITH_OPENCV
    benchmark::RegisterBenchmark(("matchTemplate/" + scene.name).c_str(),
                                 [&scene](benchmark::State& s) { runMatchTemplate(s, scene); })
        ->Unit(benchmark::kMillisecond);
#endif
  }
}

// Keeps the median CPU time of repeated runs (or the single run) of each benchmark: both
// sides run on one thread, and CPU time stays meaningful on a machine shared with builds.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (median || (run.run_type == Run::RT_Iteration && !m_sawAggregates)) {
        m_medians[run.run_name.str()] = run.GetAdjustedCPUTime();
      }
      if (median) m_sawAggregates = true;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double median(const std::string& name) const {
    const auto it = m_medians.find(name);
    return it == m_medians.end() ? -1.0 : it->second;
  }

 private:
  std::map<std::string, double> m_medians;
  bool m_sawAggregates = false;
};

struct Goal {
  const char* text;
  const char* mode;
  std::vector<std::string> scenes;
  double targetMs;
  double targetRatio;  // at least this many times matchTemplate; 0 when none
};

// Each goal's figure is the slowest of its scenes.
const Goal kGoals[] = {
    {"IfImage 0/0, present", "IMAGE_0_0", {"terminals/bottom", "blue/bottom", "flat/bottom"}, 0.3, 500},
    {"IfImage 0/0, absent", "IMAGE_0_0", {"terminals/absent", "blue/absent", "flat/absent"}, 0.3, 500},
    {"IfImage 5/10", "IMAGE_5_10", {"terminals/bottom", "blue/bottom", "flat/bottom", "terminals/absent",
                                     "blue/absent", "flat/absent"}, 1.0, 0},
    {"IfShape 5/0", "SHAPE_5_0", {"terminals/bottom", "blue/bottom", "flat/bottom", "terminals/absent",
                                   "blue/absent", "flat/absent"}, 2.0, 100},
};

void printTable(const MedianReporter& reporter) {
  const double floor = reporter.median("floor/read-frame");
  std::printf("\nMedian CPU time, one thread each; memory-read floor (one pass over the frame) %.3f ms\n", floor);
  std::printf("%-11s %-18s %14s %18s %9s %9s\n", "mode", "scene", "BmpFinder ms", "matchTemplate ms", "ratio",
              "x floor");
  for (const Mode& mode : kModes) {
    for (const Scene& scene : scenes()) {
      const double ours = reporter.median(std::string(mode.name) + "/" + scene.name + "/BmpFinder");
      const double peer = reporter.median("matchTemplate/" + scene.name);
      if (ours < 0) continue;
      if (peer < 0) {
        std::printf("%-11s %-18s %14.3f %18s %9s %8.1fx\n", mode.name, scene.name.c_str(), ours, "-", "-", ours / floor);
      } else {
        std::printf("%-11s %-18s %14.3f %18.3f %8.1fx %8.1fx\n", mode.name, scene.name.c_str(), ours, peer,
                    peer / ours, ours / floor);
      }
    }
  }
  std::printf("\nGoals (slowest scene of each)\n");
  std::printf("%-22s %10s %10s %18s %9s %9s %9s\n", "goal", "ms", "goal ms", "matchTemplate ms", "ratio",
              "goal", "x floor");
  for (const Goal& goal : kGoals) {
    double worst = -1;
    double peer = -1;
    for (const std::string& scene : goal.scenes) {
      const double ours = reporter.median(std::string(goal.mode) + "/" + scene + "/BmpFinder");
      if (ours > worst) {
        worst = ours;
        peer = reporter.median("matchTemplate/" + scene);
      }
    }
    if (worst < 0) continue;
    const bool met = worst <= goal.targetMs && (goal.targetRatio <= 0 || (peer > 0 && peer / worst >= goal.targetRatio));
    std::printf("%-22s %10.3f %10.3f %18.3f %8.1fx %8.0fx %8.1fx  %s\n", goal.text, worst, goal.targetMs, peer,
                peer > 0 ? peer / worst : 0.0, goal.targetRatio, worst / floor, met ? "met" : "NOT MET");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (scenes().front().big.empty()) {
    std::fprintf(stderr, "cannot read the screenshots in %s/screens\n", QLM_TEST_DATA_DIR);
    return 1;
  }
#ifdef QLM_WITH_OPENCV
  cv::setNumThreads(1);
#endif
  registerAll();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printTable(reporter);
  benchmark::Shutdown();
  return 0;
}
