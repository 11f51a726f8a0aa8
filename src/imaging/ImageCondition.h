#pragma once
// The parts of IfImage / IfShape that need no desktop: one search attempt on a fresh
// capture, the retry rule of the timed loop, its progress title, and where the next click goes.
// The loop itself (capture, clock, foreground, stop checks) belongs to playback.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/BmpFinder.h"
#include "platform/Geometry.h"
#include "platform/Picture.h"

namespace qlm {

enum class AttemptOutcome { Found, NotFound, CaptureTooSmall };

struct AttemptResult {
  AttemptOutcome outcome = AttemptOutcome::NotFound;
  Point position = kNoPoint;  // -1, -1 unless found
};

class ImageAreaSearch {
 public:
  // The record's image area cut from its stored picture; false when the area is empty or
  // leaves the picture (the condition then finds nothing).
  bool loadArea(const Picture& stored, const Rect& area);
  // One attempt: the capture becomes the big picture, searched from (0, 0) with no skip.
  // A capture that updates the one the previous attempt searched in vain is searched
  // only where its changed rows reach.
  AttemptResult attempt(const PixelRows& capture, SearchMethod method, int colourTolerance, int pixelTolerance,
                        const FrameChanges& changes = {});

 private:
  Point firstMatchNear(const std::vector<std::pair<int, int>>& changedRows, SearchMethod method, int colourTolerance,
                       int pixelTolerance);

  BmpFinder m_finder;
  bool m_areaLoaded = false;
  // What the last attempt searched in vain; fill 0 when it found something or knew nothing.
  struct Miss {
    std::uint64_t fill = 0;
    SearchMethod method = SearchMethod::Image;
    int colourTolerance = 0;
    int pixelTolerance = 0;
  } m_miss;
};

// The timed loop goes on while nothing was found and the limit, taken as unsigned, is at
// least the elapsed whole seconds: a negative limit waits until playback is stopped.
bool keepSearching(bool found, int limitSeconds, long long elapsedSeconds);
// A failed attempt shows progress in the main window's title for limits below 0 or above 2.
bool showsSearchProgress(int limitSeconds);
// "IfImage 3/10", "IfShape 0/-1".
std::string searchProgressTitle(SearchMethod method, long long elapsedSeconds, int limitSeconds);

struct FoundTarget {
  Point position{-2, -2};  // top-left of the match in the target window's picture
  Point click{-2, -2};     // on the screen
};

// The recorded click keeps its offset from the image area. For a whole-screen target the
// window's top-left is (0, 0). Not found: all four values are -2.
FoundTarget foundTarget(bool found, Point foundPosition, Point windowTopLeft, Point recordedClick,
                        const Rect& area);

}  // namespace qlm
