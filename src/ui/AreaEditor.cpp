#include "ui/AreaEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qlm {
namespace {

constexpr int kHandleReach = 3;
constexpr int kMinimumDragSize = 5;
constexpr int kMinimumJumpSize = 20;
constexpr int kZoomMargin = 20;
constexpr int kZoomCorner = 10;
constexpr int kMinimumZoomWidth = 10;
constexpr int kPlainZoomSide = 50;
constexpr int kTextRecognitionLevel = 4;

bool near(Point p, Point handle) {
  return std::abs(p.x - handle.x) < kHandleReach && std::abs(p.y - handle.y) < kHandleReach;
}

bool clicks(const RecordImage& record) { return record.get(IntField::ClickFlag) > 0; }

}  // namespace

AreaEdges AreaEdges::of(const Rect& rect) {
  auto [left, top, right, bottom] = inclusiveEdges(rect);
  return {left, top, right, bottom};
}

Rect AreaEdges::rect() const { return rectFromInclusive(left, top, right, bottom); }

Rect ZoomWindow::frame() const {
  int width = static_cast<int>(source.width() * factor);
  int height = static_cast<int>(source.height() * factor);
  return Rect::fromSize(position.x, position.y, width, height);
}

void AreaEditor::setRecord(const RecordImage& record, int width, int height) {
  m_record = record;
  m_width = width;
  m_height = height;
  m_hasRecord = true;
  m_modified = false;
  m_active = EditorZone::None;
  computeZoomSource();
  if (!m_zoomPlaced) {
    m_zoom.position = {width + kZoomMargin, kZoomMargin};
    m_zoomPlaced = true;
  }
}

void AreaEditor::setAlternate(Point alternate) {
  if (m_record.alternate() == alternate) return;
  m_record.set(IntField::AlternateLeft, alternate.x);
  m_record.set(IntField::AlternateTop, alternate.y);
  m_modified = true;
}

void AreaEditor::computeZoomSource() {
  AreaEdges area = AreaEdges::of(m_record.imageArea());
  Point reference = clicks(m_record) ? m_record.click() : Point{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  if (m_record.get(IntField::ConditionLevel) == 0) {
    m_zoom.source = Rect::fromSize(reference.x - kPlainZoomSide / 2, reference.y - kPlainZoomSide / 2, kPlainZoomSide,
                                   kPlainZoomSide);
    return;
  }
  int x = std::min(area.left, reference.x) - kZoomMargin;
  int y = std::min(area.top, reference.y) - kZoomMargin;
  int width = std::max(area.right, reference.x) - x + kZoomMargin + 1;
  int height = std::max(area.bottom, reference.y) - y + kZoomMargin + 1;
  m_zoom.source = Rect::fromSize(x, y, width, height);
}

EditorZone AreaEditor::zoneAt(Point p) const {
  if (!m_hasRecord) return EditorZone::None;
  EditorZone zone = EditorZone::None;
  AreaEdges image = AreaEdges::of(m_record.imageArea());
  AreaEdges text = AreaEdges::of(m_record.textArea());
  // Only handles that are drawn can be taken: a hidden click point or text
  // area would otherwise steal the drag of the image area under it.
  if (clicks(m_record) && near(p, m_record.click())) zone = EditorZone::ClickPoint;
  if (near(p, {image.left, image.top})) zone = EditorZone::ImageTopLeft;
  if (near(p, {image.right, image.bottom})) zone = EditorZone::ImageBottomRight;
  if (near(p, {image.left, image.bottom})) zone = EditorZone::ImageMove;
  if (m_record.get(IntField::ConditionLevel) == kTextRecognitionLevel) {
    if (near(p, {text.left, text.top})) zone = EditorZone::TextTopLeft;
    if (near(p, {text.right, text.bottom})) zone = EditorZone::TextBottomRight;
    if (near(p, {text.left, text.bottom})) zone = EditorZone::TextMove;
  }
  Rect frame = m_zoom.frame();
  if (frame.contains(p)) zone = EditorZone::ZoomMove;
  if (frame.contains(p) && p.x >= frame.right - kZoomCorner && p.y >= frame.bottom - kZoomCorner) {
    zone = EditorZone::ZoomResize;
  }
  Point alternate = m_record.alternate();
  if (alternate.x != -1) {
    Point centre{alternate.x + (image.right - image.left) / 2, alternate.y + (image.bottom - image.top) / 2};
    if (near(p, centre)) zone = EditorZone::Alternate;
  }
  return zone;
}

bool AreaEditor::placeClick(Point p) {
  if (p.x < 0 || p.y < 0 || p.x >= m_width || p.y >= m_height) return false;
  m_record.setClick(p);
  return true;
}

bool AreaEditor::press(Point p) {
  m_hover = zoneAt(p);
  m_active = m_hover;
  AreaEdges area = AreaEdges::of(m_record.imageArea());
  bool changed = false;
  switch (m_active) {
    case EditorZone::ClickPoint:
      changed = placeClick(p);
      break;
    case EditorZone::ImageTopLeft:
      if (p.x >= 0 && p.x <= area.right - kMinimumJumpSize) area.left = p.x, changed = true;
      if (p.y >= 0 && p.y <= area.bottom - kMinimumJumpSize) area.top = p.y, changed = true;
      m_record.setImageArea(area.rect());
      break;
    case EditorZone::ImageBottomRight:
      if (p.x < m_width && p.x >= area.left + kMinimumJumpSize) area.right = p.x, changed = true;
      if (p.y < m_height && p.y >= area.top + kMinimumJumpSize) area.bottom = p.y, changed = true;
      m_record.setImageArea(area.rect());
      break;
    case EditorZone::ZoomMove:
      m_grab = {p.x - m_zoom.position.x, p.y - m_zoom.position.y};
      break;
    case EditorZone::Alternate: {
      Point alternate = m_record.alternate();
      int dx = alternate.x - area.left;
      int dy = alternate.y - area.top;
      m_record.set(IntField::AlternateLeft, area.left);
      m_record.set(IntField::AlternateTop, area.top);
      m_record.setImageArea(AreaEdges{area.left + dx, area.top + dy, area.right + dx, area.bottom + dy}.rect());
      computeZoomSource();
      changed = true;
      break;
    }
    default:
      break;
  }
  m_modified = m_modified || changed;
  return changed;
}

bool AreaEditor::dragArea(AreaEdges& area, EditorZone corner, Point p, bool moveClick) {
  bool changed = false;
  switch (corner) {
    case EditorZone::ImageTopLeft:
      if (p.x >= 0 && p.x <= area.right - kMinimumDragSize) area.left = p.x, changed = true;
      if (p.y >= 0 && p.y <= area.bottom - kMinimumDragSize) area.top = p.y, changed = true;
      break;
    case EditorZone::ImageBottomRight:
      if (p.x >= area.left + kMinimumDragSize && p.x < m_width) area.right = p.x, changed = true;
      if (p.y >= area.top + kMinimumDragSize && p.y < m_height) area.bottom = p.y, changed = true;
      break;
    case EditorZone::ImageMove: {
      int width = area.right - area.left;
      int height = area.bottom - area.top;
      Point shift{0, 0};
      if (p.x >= 0 && p.x + width < m_width) shift.x = p.x - area.left;
      if (p.y < m_height && p.y - height >= 0) shift.y = p.y - area.bottom;
      if (shift.x == 0 && shift.y == 0) break;
      area = {area.left + shift.x, area.top + shift.y, area.right + shift.x, area.bottom + shift.y};
      if (moveClick) m_record.setClick({m_record.click().x + shift.x, m_record.click().y + shift.y});
      changed = true;
      break;
    }
    default:
      break;
  }
  return changed;
}

bool AreaEditor::move(Point p) {
  if (!m_hasRecord) return false;
  if (m_active == EditorZone::None) {
    m_hover = zoneAt(p);
    return false;
  }
  bool changed = false;
  switch (m_active) {
    case EditorZone::ClickPoint:
      changed = placeClick(p);
      break;
    case EditorZone::ImageTopLeft:
    case EditorZone::ImageBottomRight:
    case EditorZone::ImageMove: {
      AreaEdges area = AreaEdges::of(m_record.imageArea());
      changed = dragArea(area, m_active, p, m_record.get(IntField::ClickFlag) == 2);
      m_record.setImageArea(area.rect());
      break;
    }
    case EditorZone::TextTopLeft:
    case EditorZone::TextBottomRight:
    case EditorZone::TextMove: {
      AreaEdges area = AreaEdges::of(m_record.textArea());
      auto corner = static_cast<EditorZone>(static_cast<int>(m_active) - 8);
      changed = dragArea(area, corner, p, false);
      m_record.setTextArea(area.rect());
      break;
    }
    case EditorZone::ZoomMove:
      m_zoomPlaced = true;
      m_zoom.position = {std::max(0, p.x - m_grab.x), std::max(0, p.y - m_grab.y)};
      return true;
    case EditorZone::ZoomResize: {
      int width = p.x - m_zoom.position.x;
      if (width >= kMinimumZoomWidth && m_zoom.source.width() > 0) {
        m_zoom.factor = static_cast<double>(width) / m_zoom.source.width();
        return true;
      }
      return false;
    }
    default:
      break;
  }
  m_modified = m_modified || changed;
  return changed;
}

ReleaseAction AreaEditor::release() {
  EditorZone ended = m_active;
  m_active = EditorZone::None;
  switch (ended) {
    case EditorZone::ImageTopLeft:
    case EditorZone::ImageBottomRight:
    case EditorZone::ImageMove:
      return ReleaseAction::CheckUniqueness;
    case EditorZone::None:
      return ReleaseAction::None;
    default:
      return ReleaseAction::Redraw;
  }
}

void AreaEditor::doubleClick(Point p) {
  m_zoomPlaced = true;
  m_zoom.factor = 1.0;
  m_zoom.position = {std::max(0, p.x - m_zoom.source.width()), std::max(0, p.y - m_zoom.source.height())};
}

}  // namespace qlm
