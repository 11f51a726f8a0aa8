#include "imaging/ImageCondition.h"

#include <algorithm>

namespace qlm {

bool ImageAreaSearch::loadArea(const Picture& stored, const Rect& area) {
  const long long width = static_cast<long long>(area.right) - area.left;
  const long long height = static_cast<long long>(area.bottom) - area.top;
  m_areaLoaded = width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
                 m_finder.loadSmall(stored, area.left, area.top, static_cast<int>(width), static_cast<int>(height));
  return m_areaLoaded;
}

AttemptResult ImageAreaSearch::attempt(const PixelRows& capture, SearchMethod method, int colourTolerance, int pixelTolerance) {
  AttemptResult result;
  if (!m_areaLoaded) return result;
  const ColourPlanes& small = m_finder.smallPicture();
  if (capture.width < small.width || capture.height < small.height || !m_finder.loadBig(capture)) {
    result.outcome = AttemptOutcome::CaptureTooSmall;
    return result;
  }
  const bool found = m_finder.findSmallInBig(method, colourTolerance, pixelTolerance, 0, 0, -1, -1, result.position.x,
                                           result.position.y);
  result.outcome = found ? AttemptOutcome::Found : AttemptOutcome::NotFound;
  return result;
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
