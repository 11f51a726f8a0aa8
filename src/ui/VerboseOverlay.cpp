#include "ui/VerboseOverlay.h"

#include <QBitmap>
#include <QPainter>
#include <QRegion>

namespace qlm {
namespace {

const QColor kBlue(0, 0, 255);
constexpr int kFrameWidth = 4;
constexpr int kFrameInset = 2;
constexpr int kCrossReach = 15;
constexpr int kCircleRadius = 5;
constexpr int kNoticeMs = 1000;

QFont noteFont() {
  QFont font("Times New Roman");
  font.setPixelSize(18);
  font.setWeight(QFont::Bold);
  return font;
}

bool hasMarker(const VerboseNote& note) { return note.marker.x() >= 0 && note.marker.y() >= 0; }

void paintNote(QPainter& painter, const VerboseNote& note) {
  const QSize size = note.area.size();
  if ((note.level & kVerboseFrame) != 0 && size.width() > 0 && !hasMarker(note)) {
    painter.setPen(QPen(kBlue, kFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const int edge = kFrameInset + kFrameWidth / 2;
    painter.drawRect(QRect(edge, edge, size.width() - 2 * edge, size.height() - 2 * edge));
  }
  if ((note.level & kVerboseMarker) != 0 && hasMarker(note)) {
    const QPoint at = note.marker;
    painter.setPen(QPen(kBlue, 3));
    painter.drawLine(std::max(at.x() - kCrossReach, 0), at.y(), at.x() + kCrossReach, at.y());
    painter.drawLine(at.x(), std::max(at.y() - kCrossReach, 0), at.x(), at.y() + kCrossReach);
    painter.setPen(QPen(kBlue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, kCircleRadius, kCircleRadius);
    if (!note.label.isEmpty()) {
      painter.setFont(noteFont());
      painter.setPen(kBlue);
      const QPoint origin = at + QPoint(6, 6);
      painter.drawText(QRect(origin, QSize(size.width() - origin.x(), size.height() - origin.y())),
                       Qt::AlignLeft | Qt::AlignTop, note.label);
    }
  }
  if ((note.level & kVerboseStatus) != 0 && !note.status.isEmpty()) {
    painter.setFont(noteFont());
    QFontMetrics metrics(painter.font());
    const QRect box(25, 5, metrics.horizontalAdvance(note.status), metrics.height());
    painter.fillRect(box, kBlue);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, note.status);
  }
}

}  // namespace

QImage renderVerboseNote(const VerboseNote& note) {
  QImage image(note.area.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  paintNote(painter, note);
  return image;
}

VerboseOverlay::VerboseOverlay(bool compositing, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint | Qt::Tool),
      m_compositing(compositing) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  if (m_compositing) {
    setAttribute(Qt::WA_TranslucentBackground);
  } else {
    setAttribute(Qt::WA_NoSystemBackground);
  }
  setWindowTitle(QStringLiteral("Quillmote Verbose"));
}

void VerboseOverlay::showNote(const VerboseNote& note) {
  m_note = note;
  if (note.level < 1 || note.area.isEmpty()) {
    hide();
    return;
  }
  setGeometry(note.area);
  if (!m_compositing) {
    const QImage drawn = renderVerboseNote(note);
    setMask(QBitmap::fromImage(drawn.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor)));
  }
  if (!isVisible()) show();
  raise();
  update();
}

void VerboseOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_compositing) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  } else {
    painter.fillRect(rect(), Qt::black);
  }
  paintNote(painter, m_note);
}

VerboseNotes::VerboseNotes(bool compositing, QObject* parent)
    : QObject(parent), m_target(compositing), m_click(compositing), m_notice(compositing) {
  qRegisterMetaType<VerboseNote>();
  m_noticeTimer.setSingleShot(true);
  connect(&m_noticeTimer, &QTimer::timeout, &m_notice, &QWidget::hide);
}

void VerboseNotes::closeNotes() {
  m_target.hide();
  m_click.hide();
}

void VerboseNotes::showNotice(const VerboseNote& note) {
  m_notice.showNote(note);
  m_noticeTimer.start(kNoticeMs);
}

}  // namespace qlm
