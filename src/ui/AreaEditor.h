#pragma once
// What the mouse does to a record in the image-area editor: which handle is
// under the pointer, how a drag changes the image area, text area, click
// point and zoom window, and where they must stay. Coordinates are picture pixels.
#include "document/RecordImage.h"
#include "platform/Geometry.h"

namespace qlm {

enum class EditorZone {
  None = 0, ClickPoint = 1, ImageTopLeft = 2, ImageBottomRight = 3, ImageMove = 4, ZoomResize = 5,
  ZoomMove = 6, Alternate = 7, HelpLink1 = 8, HelpLink2 = 9, TextTopLeft = 10, TextBottomRight = 11, TextMove = 12,
};

// A rectangle by its last pixels inside, as the file keeps it and as the
// limits of the drags are stated.
struct AreaEdges {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  static AreaEdges of(const Rect& rect);
  Rect rect() const;
  friend bool operator==(const AreaEdges&, const AreaEdges&) = default;
};

// What the view must do after the button went up.
enum class ReleaseAction { None, Redraw, CheckUniqueness };

struct ZoomWindow {
  Rect source;            // part of the picture shown, x/y/width/height as a Rect
  Point position{10, 10};  // where it is drawn
  double factor = 2.0;
  Rect frame() const;     // where it is drawn, at its magnified size
};

class AreaEditor {
 public:
  // A record whose picture is `width` x `height`; recomputes the zoom source.
  void setRecord(const RecordImage& record, int width, int height);
  void clear() { m_hasRecord = false; m_active = EditorZone::None; m_hover = EditorZone::None; }
  bool hasRecord() const { return m_hasRecord; }
  const RecordImage& record() const { return m_record; }
  // The uniqueness check's answer.
  void setAlternate(Point alternate);

  EditorZone hover() const { return m_hover; }
  EditorZone active() const { return m_active; }
  const ZoomWindow& zoom() const { return m_zoom; }

  EditorZone zoneAt(Point p) const;
  // Each returns whether the record or the zoom changed.
  bool press(Point p);
  bool move(Point p);
  ReleaseAction release();
  void doubleClick(Point p);
  // Whether the record's fields changed since setRecord.
  bool modified() const { return m_modified; }
  void markSaved() { m_modified = false; }

 private:
  bool placeClick(Point p);
  void computeZoomSource();
  bool dragArea(AreaEdges& area, EditorZone corner, Point p, bool moveClick);

  RecordImage m_record;
  bool m_hasRecord = false;
  bool m_modified = false;
  int m_width = 0;
  int m_height = 0;
  EditorZone m_hover = EditorZone::None;
  EditorZone m_active = EditorZone::None;
  ZoomWindow m_zoom;
  Point m_grab;  // pointer offset inside the zoom window while it moves
  bool m_zoomPlaced = false;
};

}  // namespace qlm
