#include "imaging/ImageCondition.h"

#include <algorithm>

namespace qlm {

bool ImageAreaSearch::loadArea(const Picture& stored, const Rect& area) {
  const long long width = static_cast<long long>(area.right) - area.left;
  const long long height = static_cast<long long>(area.bottom) - area.top;
  m_miss = Miss{};
  m_areaLoaded = width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
                 m_finder.loadSmall(stored, area.left, area.top, static_cast<int>(width), static_cast<int>(height));
  return m_areaLoaded;
}

AttemptResult ImageAreaSearch::attempt(const PixelRows& capture, SearchMethod method, int colourTolerance,
                                       int pixelTolerance, const FrameChanges& changes) {
  AttemptResult result;
  const Miss previous = m_miss;
  m_miss = Miss{};
  if (!m_areaLoaded) return result;
  const ColourPlanes& small = m_finder.smallPicture();
  if (capture.width < small.width || capture.height < small.height || !m_finder.loadBig(capture)) {
    result.outcome = AttemptOutcome::CaptureTooSmall;
    return result;
  }
  const bool updatesMiss = changes.fill != 0 && previous.fill != 0 && changes.previousFill == previous.fill &&
                           previous.method == method && previous.colourTolerance == colourTolerance &&
                           previous.pixelTolerance == pixelTolerance;
  result.position = updatesMiss ? firstMatchNear(changes.rows, method, colourTolerance, pixelTolerance)
                                : m_finder.firstMatchInRows(method, colourTolerance, pixelTolerance, 0, capture.height);
  result.outcome = result.position.x >= 0 ? AttemptOutcome::Found : AttemptOutcome::NotFound;
  if (result.outcome == AttemptOutcome::NotFound) m_miss = Miss{changes.fill, method, colourTolerance, pixelTolerance};
  return result;
}

// Every position whose window overlaps a changed row, in scan order: the others
// were searched in vain before and show the same pixels.
Point ImageAreaSearch::firstMatchNear(const std::vector<std::pair<int, int>>& changedRows, SearchMethod method,
                                      int colourTolerance, int pixelTolerance) {
  const int height = m_finder.smallPicture().height;
  std::vector<std::pair<int, int>> positions;
  for (const auto& [top, bottom] : changedRows) {
    const int first = top - height + 1;
    if (!positions.empty() && first <= positions.back().second) {
      positions.back().second = std::max(positions.back().second, bottom);
    } else {
      positions.emplace_back(first, bottom);
    }
  }
  for (const auto& [first, end] : positions) {
    const Point found = m_finder.firstMatchInRows(method, colourTolerance, pixelTolerance, first, end);
    if (found.x >= 0) return found;
  }
  return kNoPoint;
}

bool keepSearching(bool found, int limitSeconds, long long elapsedSeconds) {
  if (found) return false;
  const auto limit = static_cast<unsigned long long>(static_cast<unsigned int>(limitSeconds));
  return limit >= static_cast<unsigned long long>(std::max(elapsedSeconds, 0LL));
}

bool showsSearchProgress(int limitSeconds) { return limitSeconds < 0 || limitSeconds > 2; }

std::string searchProgressTitle(SearchMethod method, long long elapsedSeconds, int limitSeconds) {
  const char* name = method == SearchMethod::Shape ? "IfShape " : "IfImage ";
  return name + std::to_string(elapsedSeconds) + "/" + std::to_string(limitSeconds);
}

FoundTarget foundTarget(bool found, Point foundPosition, Point windowTopLeft, Point recordedClick,
                        const Rect& area) {
  if (!found) return FoundTarget{};
  FoundTarget target;
  target.position = foundPosition;
  target.click.x = windowTopLeft.x + foundPosition.x + (recordedClick.x - area.left);
  target.click.y = windowTopLeft.y + foundPosition.y + (recordedClick.y - area.top);
  return target;
}

}  // namespace qlm
