#include "ui/DocumentView.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "imaging/BmpFinder.h"

namespace qlm {
namespace {

const QColor kRed(200, 0, 0);
const QColor kGreen(0, 200, 0);
const QColor kBlue(0, 0, 200);
const QColor kLegendBlue(0, 0, 255);
constexpr int kHandle = 6;
constexpr int kLegendLines = 4;
constexpr int kLegendSpacing = 16;

QFont timesFont(int pixels, bool italic) {
  QFont font("Times New Roman");
  font.setPixelSize(pixels);
  font.setItalic(italic);
  return font;
}

QPoint qPoint(Point p) { return {p.x, p.y}; }

QRect qArea(const Rect& area) { return QRect(area.left, area.top, area.width(), area.height()); }

Point picturePoint(const QPointF& position) {
  return {static_cast<int>(position.x()), static_cast<int>(position.y())};
}

void drawHandle(QPainter& painter, QPoint at, bool hovered, bool dragged) {
  QColor fill = dragged ? QColor(255, 0, 0) : hovered ? QColor(255, 255, 0) : QColor(255, 255, 255);
  painter.save();
  painter.setPen(Qt::black);
  painter.setBrush(fill);
  painter.drawRect(QRect(at.x() - kHandle / 2, at.y() - kHandle / 2, kHandle, kHandle));
  painter.restore();
}

const char* searchLine(int conditionLevel) {
  switch (conditionLevel) {
    case 2: return "IfShape():Find the image in red rectangle (ignoring color).";
    case 3: return "IfImage():Find the image in red rectangle";
    default: return "Do not search an image (with functions IfImage() or IfShape()).";
  }
}

const char* clickLine(int clickFlag) {
  switch (clickFlag) {
    case 1: return "Click is not relative to an image (relative to top, left window).";
    case 2: return "Click is relative to the found image (V[LBUTTON] is after the find function).";
    default: return "No click.";
  }
}

}  // namespace

QImage imageOfPicture(const Picture& picture, bool grey) {
  if (picture.empty() || (picture.bitsPerPixel != 32 && picture.bitsPerPixel != 24) ||
      picture.pixels.size() < picture.pixelBytes()) {
    return {};
  }
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  int bytesPerPixel = picture.bitsPerPixel / 8;
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* source = picture.rowFromTop(y);
    auto* target = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* pixel = source + x * bytesPerPixel;
      int blue = pixel[0], green = pixel[1], red = pixel[2];
      if (grey) red = green = blue = ((red + green + blue) / 3) & 192;
      target[x] = qRgb(red, green, blue);
    }
  }
  return image;
}

DocumentView::DocumentView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
}

void DocumentView::showRecord(int row, const RecordImage& record, Picture picture) {
  m_row = row;
  m_picture = std::move(picture);
  m_editor.setRecord(record, m_picture.width, m_picture.height);
  updateImage();
  updateGeometry();
  resize(sizeHint());
  update();
}

void DocumentView::showNoRecord(bool documentHasRecords) {
  m_row = -1;
  m_documentHasRecords = documentHasRecords;
  m_picture = {};
  m_image = {};
  m_editor.clear();
  updateGeometry();
  resize(sizeHint());
  update();
}

void DocumentView::setPlayFlag(bool played) {
  if (!m_editor.hasRecord()) return;
  RecordImage record = m_editor.record();
  record.set(IntField::Play, played ? 1 : 0);
  m_editor.setRecord(record, m_picture.width, m_picture.height);
  updateImage();
  update();
}

void DocumentView::updateImage() {
  m_image = imageOfPicture(m_picture, m_editor.record().get(IntField::Play) == 0);
}

QSize DocumentView::sizeHint() const {
  if (!m_editor.hasRecord()) return {700, 260};
  Rect zoom = m_editor.zoom().frame();
  int width = std::max({m_picture.width, zoom.right, zoom.left + 620}) + 40;
  int height = std::max(m_picture.height, zoom.bottom + kLegendLines * kLegendSpacing + 20) + 40;
  return {width, height};
}

void DocumentView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!m_editor.hasRecord()) {
    paintHelp(painter);
    return;
  }
  if (m_editor.record().window().valid >= 2) return;
  paintEditor(painter);
}

void DocumentView::paintHelp(QPainter& painter) {
  painter.fillRect(rect(), Qt::white);
  // The program's logo: a quill over a rounded tile.
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 200));
  painter.drawRoundedRect(QRect(10, 10, 48, 48), 8, 8);
  painter.setPen(QPen(Qt::white, 3));
  painter.drawLine(20, 48, 46, 18);
  painter.drawLine(46, 18, 40, 34);
  painter.setRenderHint(QPainter::Antialiasing, false);

  painter.setPen(QColor(0, 0, 200));
  painter.setFont(timesFont(18, true));
  int y = 90;
  painter.drawText(QPoint(70, y), "Hello,");
  QStringList lines;
  if (m_documentHasRecords) {
    lines << "Press the play button when the target application is ready,"
          << "or restart recording in order to add at the end of this file new records."
          << "For further information press the help button.";
  } else {
    lines << "This is a new empty document." << "Press the record button when the window to record is ready."
          << "For further information press the help button.";
  }
  for (const QString& line : lines) {
    y += 24;
    painter.drawText(QPoint(70, y), line);
  }
  QFont link = timesFont(16, false);
  link.setUnderline(true);
  painter.setFont(link);
  QFontMetrics metrics(link);
  const QString texts[2] = {"Quillmote help", "Quillmote web site"};
  int x = 70;
  y += 34;
  for (int i = 0; i < 2; ++i) {
    m_helpLinks[i] = QRect(x, y - metrics.ascent(), metrics.horizontalAdvance(texts[i]), metrics.height());
    painter.drawText(QPoint(x, y), texts[i]);
    x += m_helpLinks[i].width() + 30;
  }
}

void DocumentView::paintEditor(QPainter& painter) {
  const RecordImage& record = m_editor.record();
  EditorZone hover = m_editor.hover();
  EditorZone active = m_editor.active();
  auto handle = [&](QPoint at, EditorZone zone) { drawHandle(painter, at, hover == zone, active == zone); };

  painter.fillRect(rect(), Qt::white);
  if (!m_image.isNull()) painter.drawImage(QPoint(0, 0), m_image);

  painter.setFont(timesFont(18, false));
  QString number = QString::number(m_row + 1);
  QRect numberBox = painter.fontMetrics().boundingRect(number).translated(2, painter.fontMetrics().ascent() + 2);
  painter.fillRect(numberBox.adjusted(-2, -1, 2, 1), kGreen);
  painter.setPen(kRed);
  painter.drawText(numberBox, Qt::AlignCenter, number);

  QRect area = qArea(record.imageArea());
  Point alternate = record.alternate();
  int conditionLevel = record.get(IntField::ConditionLevel);
  if (alternate.x != -1 && conditionLevel > 0) {
    QRect other(QPoint(alternate.x, alternate.y), area.size());
    painter.setPen(QPen(kRed, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(other);
    QPoint from(area.left() <= other.left() ? area.right() : area.left(),
                area.top() <= other.top() ? area.bottom() : area.top());
    QPoint to(area.left() <= other.left() ? other.left() : other.right(),
              area.top() <= other.top() ? other.top() : other.bottom());
    painter.drawLine(from, to);
    handle(other.topLeft() + QPoint((area.width() - 1) / 2, (area.height() - 1) / 2), EditorZone::Alternate);
    QRect warning(other.left(), other.top() - 22, 400, 20);
    painter.fillRect(warning, Qt::white);
    painter.setPen(kRed);
    painter.drawText(warning, Qt::AlignLeft | Qt::AlignVCenter, "Warning : Selected area is not unique !");
  }

  int clickFlag = record.get(IntField::ClickFlag);
  if (clickFlag > 0) {
    QPoint click = qPoint(record.click());
    painter.setPen(QPen(kRed, 1));
    painter.drawLine(click - QPoint(10, 0), click + QPoint(10, 0));
    painter.drawLine(click - QPoint(0, 10), click + QPoint(0, 10));
    handle(click, EditorZone::ClickPoint);
    if (clickFlag == 1) {
      QString text = QString("[%1,%2]").arg(click.x()).arg(click.y());
      QRect box = painter.fontMetrics().boundingRect(text).translated(click + QPoint(12, -4));
      painter.fillRect(box, Qt::white);
      painter.setPen(kRed);
      painter.drawText(box, Qt::AlignCenter, text);
    }
  }

  painter.setPen(QPen(kRed, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area);
  handle(area.topLeft(), EditorZone::ImageTopLeft);
  handle(area.bottomRight(), EditorZone::ImageBottomRight);
  handle(area.bottomLeft(), EditorZone::ImageMove);

  if (conditionLevel == 4) {
    QRect text = qArea(record.textArea());
    painter.setPen(QPen(kBlue, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(text);
    handle(text.topLeft(), EditorZone::TextTopLeft);
    handle(text.bottomRight(), EditorZone::TextBottomRight);
    handle(text.bottomLeft(), EditorZone::TextMove);
    if (m_textPreview) m_textPreview(painter, record, m_picture);
  }

  const ZoomWindow& zoom = m_editor.zoom();
  Rect frame = zoom.frame();
  QRect target(frame.left, frame.top, frame.width(), frame.height());
  QRect source(zoom.source.left, zoom.source.top, zoom.source.width(), zoom.source.height());
  painter.fillRect(target, QColor(128, 128, 128));
  if (!m_image.isNull()) painter.drawImage(target, m_image, source);
  if (source.width() > 0 && source.height() > 0) {
    // The marks magnified with the picture, so that they can be placed to the pixel.
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    painter.scale(static_cast<double>(target.width()) / source.width(),
                  static_cast<double>(target.height()) / source.height());
    painter.translate(-source.topLeft());
    painter.setPen(QPen(kRed, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(area));
    if (clickFlag > 0) {
      QPointF click(record.click().x + 0.5, record.click().y + 0.5);
      painter.drawLine(click - QPointF(10, 0), click + QPointF(10, 0));
      painter.drawLine(click - QPointF(0, 10), click + QPointF(0, 10));
    }
    painter.restore();
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(target);
  handle(target.bottomRight() - QPoint(2, 2), EditorZone::ZoomResize);

  QStringList legend{searchLine(conditionLevel), clickLine(clickFlag), "You can move or resize this zoom.",
                     "To quickly 'call/resize' this zoom, double click anywhere."};
  painter.setFont(timesFont(16, true));
  QRect box(target.left(), target.bottom() + 6, 600, kLegendLines * kLegendSpacing + 8);
  painter.fillRect(box, Qt::white);
  painter.setPen(QPen(kLegendBlue, 2));
  painter.drawRect(box);
  painter.setPen(Qt::black);
  for (int i = 0; i < legend.size(); ++i) {
    painter.drawText(QPoint(box.left() + 6, box.top() + 4 + (i + 1) * kLegendSpacing - 3), legend[i]);
  }
}

int DocumentView::helpLinkAt(QPoint position) const {
  for (int i = 0; i < 2; ++i) {
    if (m_helpLinks[i].contains(position)) return i;
  }
  return -1;
}

void DocumentView::updateCursor() {
  switch (m_editor.hover()) {
    case EditorZone::ClickPoint:
    case EditorZone::ImageMove:
    case EditorZone::TextMove:
    case EditorZone::ZoomMove: setCursor(Qt::SizeAllCursor); break;
    case EditorZone::ImageTopLeft:
    case EditorZone::ImageBottomRight:
    case EditorZone::TextTopLeft:
    case EditorZone::TextBottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case EditorZone::ZoomResize: setCursor(Qt::CrossCursor); break;
    case EditorZone::Alternate: setCursor(Qt::PointingHandCursor); break;
    default: unsetCursor(); break;
  }
}

void DocumentView::mousePressEvent(QMouseEvent* event) {
  if (m_locked || event->button() != Qt::LeftButton) return;
  if (!m_editor.hasRecord()) {
    int link = helpLinkAt(event->position().toPoint());
    if (link >= 0) emit helpLinkClicked(link);
    return;
  }
  m_editor.press(picturePoint(event->position()));
  update();
}

void DocumentView::mouseMoveEvent(QMouseEvent* event) {
  if (m_locked) return;
  if (!m_editor.hasRecord()) {
    if (helpLinkAt(event->position().toPoint()) >= 0) {
      setCursor(Qt::PointingHandCursor);
    } else {
      unsetCursor();
    }
    return;
  }
  EditorZone hoverBefore = m_editor.hover();
  bool changed = m_editor.move(picturePoint(event->position()));
  if (changed || hoverBefore != m_editor.hover()) update();
  updateCursor();
}

void DocumentView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_locked || event->button() != Qt::LeftButton) return;
  ReleaseAction action = m_editor.release();
  if (action == ReleaseAction::None) return;
  if (action == ReleaseAction::CheckUniqueness) {
    if (m_row < 0) {
      emit noRecordSelected();
      return;
    }
    if (m_uniquenessCheck) m_editor.setAlternate(m_uniquenessCheck(m_picture, m_editor.record()));
  }
  if (m_editor.modified()) {
    RecordImage record = m_editor.record();
    m_editor.markSaved();
    emit recordEdited(m_row, record);
  }
  updateGeometry();
  resize(sizeHint());
  update();
}

void DocumentView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (m_locked || !m_editor.hasRecord()) return;
  m_editor.doubleClick(picturePoint(event->position()));
  resize(sizeHint());
  update();
}

}  // namespace qlm
