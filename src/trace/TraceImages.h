#pragma once
// The two pictures of a trace row (and of the debugger's image panel): the
// recorded one cut from the record's stored picture and the live one cut from
// the latest capture, both with the record's marks drawn on them in red.
#include <optional>
#include <string_view>

#include "document/RecordImage.h"
#include "platform/Picture.h"
#include "platform/Geometry.h"

namespace qlm {

class Snapshot;

// What a record says about its image area and its click.
struct RecordMarks {
  int conditionLevel = 0;
  int clickFlag = 0;  // 2: the click belongs to a found image
  Rect imageArea;
  Point click;
  Point alternate{-1, -1};
  static RecordMarks of(const RecordImage& record);
};

// Rows show pictures only for records that search or click, and only when
// the instruction itself does.
bool showsPictures(const RecordMarks& marks, std::string_view instruction);

// The rectangle of the recorded picture that a row shows: the image area (when
// the record searches) and the click point (when it clicks), with a margin of
// 25 pixels. With a click alone it starts 25 pixels above and left of the click.
Rect traceCaptureRect(const RecordMarks& marks);

// Where the live picture is cut: over the found image, shifted as the capture
// rectangle lies from the image area; around the click for a record that does
// not search.
Point liveCutOrigin(const RecordMarks& marks, Point foundPosition);

// The frame of the image area (dotted when the area has another occurrence),
// the dotted line from its centre to a click that belongs to it, and the cross
// on the click; positions relative to `origin`.
void drawRecordMarks(Picture& picture, const RecordMarks& marks, Point origin);

// The cut-out of the slot's main capture at `cut` with the marks drawn; none
// when the rectangle cannot be cut.
std::optional<Picture> markedCutOut(Snapshot& slot, const Rect& cut, const RecordMarks& marks, Point marksOrigin);

}  // namespace qlm
