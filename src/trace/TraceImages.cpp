#include "trace/TraceImages.h"

#include <algorithm>
#include <array>
#include <climits>

#include "document/Snapshot.h"
#include "imaging/PictureMarks.h"

namespace qlm {
namespace {

constexpr Rgb kMarkRed{200, 0, 0};
constexpr int kMargin = 25;
constexpr std::array<std::string_view, 5> kPictureWords{"IfImage", "IfShape", "IfText", "[LBUTTON]", "[RBUTTON]"};

int clampToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN / 2, INT_MAX / 2)); }

}  // namespace

RecordMarks RecordMarks::of(const RecordImage& record) {
  RecordMarks marks;
  marks.conditionLevel = record.get(IntField::ConditionLevel);
  marks.clickFlag = record.get(IntField::ClickFlag);
  marks.imageArea = record.imageArea();
  marks.click = record.click();
  marks.alternate = record.alternate();
  return marks;
}

bool showsPictures(const RecordMarks& marks, std::string_view instruction) {
  if (marks.conditionLevel <= 0 && marks.clickFlag <= 0) return false;
  return std::any_of(kPictureWords.begin(), kPictureWords.end(),
                     [instruction](std::string_view word) { return instruction.find(word) != std::string_view::npos; });
}

Rect traceCaptureRect(const RecordMarks& marks) {
  long long left = marks.click.x, top = marks.click.y, right = marks.click.x, bottom = marks.click.y;
  if (marks.conditionLevel > 0) {
    const Rect& a = marks.imageArea;
    const std::array<int, 4> edges = inclusiveEdges(a);
    const long long aRight = edges[2], aBottom = edges[3];
    if (marks.clickFlag > 0) {
      left = std::min<long long>({left, a.left, aRight});
      top = std::min<long long>({top, a.top, aBottom});
      right = std::max<long long>({right, a.left, aRight});
      bottom = std::max<long long>({bottom, a.top, aBottom});
    } else {
      left = std::min<long long>(a.left, aRight);
      top = std::min<long long>(a.top, aBottom);
      right = std::max<long long>(a.left, aRight);
      bottom = std::max<long long>(a.top, aBottom);
    }
  }
  return {clampToInt(left - kMargin), clampToInt(top - kMargin), clampToInt(right + kMargin + 1),
          clampToInt(bottom + kMargin + 1)};
}

Point liveCutOrigin(const RecordMarks& marks, Point foundPosition) {
  const Rect recorded = traceCaptureRect(marks);
  if (marks.conditionLevel <= 0) return {recorded.left, recorded.top};
  return {clampToInt(static_cast<long long>(foundPosition.x) + recorded.left - marks.imageArea.left),
          clampToInt(static_cast<long long>(foundPosition.y) + recorded.top - marks.imageArea.top)};
}

void drawRecordMarks(Picture& picture, const RecordMarks& marks, Point origin) {
  auto relative = [origin](long long x, long long y) {
    return Point{clampToInt(x - origin.x), clampToInt(y - origin.y)};
  };
  const Point click = relative(marks.click.x, marks.click.y);
  if (marks.conditionLevel > 0) {
    const Rect& a = marks.imageArea;
    const std::array<int, 4> edges = inclusiveEdges(a);
    const long long aRight = edges[2], aBottom = edges[3];
    const Point topLeft = relative(a.left, a.top);
    const Point bottomRight = relative(aRight, aBottom);
    const PenStyle pen = marks.alternate.x == -1 ? PenStyle::Solid : PenStyle::Dotted;
    drawFrame(picture, {topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1}, kMarkRed, pen);
    if (marks.clickFlag == 2) {
      const Point centre = relative((a.left + aRight) / 2, (a.top + aBottom) / 2);
      drawLine(picture, centre, click, kMarkRed, PenStyle::Dotted);
    }
  }
  if (marks.clickFlag > 0) drawCross(picture, click, kMarkRed);
}

std::optional<Picture> markedCutOut(Snapshot& slot, const Rect& cut, const RecordMarks& marks, Point marksOrigin) {
  if (!slot.cutPicture(cut.left, cut.top, cut.width(), cut.height())) return std::nullopt;
  Picture picture = slot.cutOut();
  drawRecordMarks(picture, marks, marksOrigin);
  return picture;
}

}  // namespace qlm
