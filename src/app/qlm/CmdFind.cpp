#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/PictureFile.h"
#include "app/qlm/Commands.h"
#include "app/qlm/ToolSupport.h"
#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis = "find BIG SMALL [--colour-tol N] [--pixel-tol N] [--shape] [--repeat N]";
constexpr int kMostRepeats = 100000;

struct FindOptions {
  std::string big;
  std::string small;
  int colourTolerance = 0;
  int pixelTolerance = 0;
  int repeats = 1;
  SearchMethod method = SearchMethod::Image;
};

std::optional<FindOptions> parseArguments(CommandArgs args) {
  if (args.size() < 2) return std::nullopt;
  FindOptions options;
  options.big = std::string(args[0]);
  options.small = std::string(args[1]);
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--shape") {
      options.method = SearchMethod::Shape;
      continue;
    }
    if (i + 1 >= args.size()) return std::nullopt;
    const std::optional<int> number = parseNumber(args[i + 1]);
    if (args[i] == "--repeat") {
      if (!number || *number < 1 || *number > kMostRepeats) return std::nullopt;
      options.repeats = *number;
      ++i;
      continue;
    }
    if (!number || *number < 0 || *number > 100) return std::nullopt;
    if (args[i] == "--colour-tol") {
      options.colourTolerance = *number;
    } else if (args[i] == "--pixel-tol") {
      options.pixelTolerance = *number;
    } else {
      return std::nullopt;
    }
    ++i;
  }
  return options;
}

struct Closest {
  Point position = kNoPoint;
  long long misses = -1;
};

// The position with the fewest colour misses; a position is given up as soon
// as it misses more than the best one so far.
Closest closestImagePosition(const BmpFinder& finder, int colourThreshold) {
  const ColourPlanes& big = finder.bigPicture();
  const ColourPlanes& small = finder.smallPicture();
  Closest closest;
  long long best = static_cast<long long>(small.width) * small.height + 1;
  for (int y = 0; y + small.height <= big.height; ++y) {
    for (int x = 0; x + small.width <= big.width; ++x) {
      long long misses = 0;
      for (int r = 0; r < small.height && misses < best; ++r) {
        for (int c = 0; c < small.width; ++c) {
          const std::size_t b = big.index(x + c, y + r);
          const std::size_t s = small.index(c, r);
          if (std::abs(big.red[b] - small.red[s]) > colourThreshold ||
              std::abs(big.green[b] - small.green[s]) > colourThreshold ||
              std::abs(big.blue[b] - small.blue[s]) > colourThreshold) {
            ++misses;
          }
        }
      }
      if (misses < best) {
        best = misses;
        closest = {{x, y}, misses};
      }
    }
  }
  return closest;
}

// SHAPE counts no misses outside its search: the lowest pixel tolerance at
// which it finds something tells how close the best position comes.
int lowestFindingTolerance(BmpFinder& finder, int colourTolerance, Point& position) {
  int low = 0, high = 101;
  while (low < high) {
    const int middle = (low + high) / 2;
    int x = -1, y = -1;
    if (finder.findSmallInBig(SearchMethod::Shape, colourTolerance, middle, 0, 0, -1, -1, x, y)) {
      high = middle;
      position = {x, y};
    } else {
      low = middle + 1;
    }
  }
  return low;
}

}  // namespace

// Exit 0: found; 1: not found; 2: bad arguments or pictures.
int cmdFind(CommandArgs args) {
  std::optional<FindOptions> options = parseArguments(args);
  if (!options) return reportUsage(kSynopsis);
  Result<Picture> big = readPictureFile(options->big);
  Result<Picture> small = big ? readPictureFile(options->small) : Result<Picture>::failure(big.error());
  if (!small) {
    reportFailure(small.error());
    return kExitUsage;
  }
  BmpFinder finder;
  if (!finder.loadBig(*big) || !finder.loadSmall(*small, 0, 0, small->width, small->height)) {
    reportFailure("the pictures cannot be searched");
    return kExitUsage;
  }
  // Each search starts as a playback attempt does, from a freshly given big picture.
  int x = -1, y = -1;
  bool found = false;
  std::vector<double> times;
  for (int round = 0; round < options->repeats; ++round) {
    const auto start = std::chrono::steady_clock::now();
    finder.loadBig(*big);
    found =
        finder.findSmallInBig(options->method, options->colourTolerance, options->pixelTolerance, 0, 0, -1, -1, x, y);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2), times.end());
  const double ms = times[times.size() / 2];
  const char* precision = options->repeats > 1 ? "%.3f" : "%.1f";
  const std::string median =
      options->repeats > 1 ? " (median of " + std::to_string(options->repeats) + " searches)" : std::string();
  char time[64];
  std::snprintf(time, sizeof time, precision, ms);
  if (found) {
    std::printf("found at %d,%d in %s ms%s\n", x, y, time, median.c_str());
    return kExitOk;
  }
  std::printf("not found (%s ms%s)\n", time, median.c_str());
  const SearchThresholds limits =
      searchThresholds(options->colourTolerance, options->pixelTolerance, small->width, small->height);
  if (small->width > big->width || small->height > big->height) {
    std::printf("the small picture (%d x %d) is larger than the big one (%d x %d)\n", small->width, small->height,
                big->width, big->height);
  } else if (options->method == SearchMethod::Image) {
    const Closest closest = closestImagePosition(finder, limits.colour);
    std::printf("closest at %d,%d: %lld of %d pixels differ by more than %d in a colour; the pixel tolerance allows %lld\n",
                closest.position.x, closest.position.y, closest.misses, small->width * small->height, limits.colour,
                limits.allowedMisses);
  } else {
    Point position = kNoPoint;
    const int tolerance = lowestFindingTolerance(finder, options->colourTolerance, position);
    if (tolerance > 100) {
      std::printf("no position has the small picture's light and dark structure at any pixel tolerance\n");
    } else {
      const long long needed = searchThresholds(options->colourTolerance, tolerance, small->width, small->height).allowedMisses;
      std::printf("closest at %d,%d: found with --pixel-tol %d (up to %lld of %d pixels may miss); the pixel tolerance "
                  "allows %lld\n",
                  position.x, position.y, tolerance, needed, small->width * small->height, limits.allowedMisses);
    }
  }
  return kExitFailed;
}

}  // namespace qlm
