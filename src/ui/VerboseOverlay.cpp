#include "ui/VerboseOverlay.h"

#include <QBitmap>
#include <QPainter>
#include <QRegion>

#include "trace/PlaybackNotes.h"

namespace qlm {
namespace {

const QColor kBlue(kOverlayBlue.red, kOverlayBlue.green, kOverlayBlue.blue);
const QColor kWhite(kOverlayWhite.red, kOverlayWhite.green, kOverlayWhite.blue);
const QColor kGround(kOverlayTransparent.red, kOverlayTransparent.green, kOverlayTransparent.blue);
constexpr int kNoticeMs = PlaybackNotes::kNoticeMs;

QFont noteFont() {
  QFont font(QString::fromLatin1(kOverlayFontFamily));
  font.setPixelSize(kOverlayFontPixels);
  font.setWeight(QFont::Bold);
  return font;
}

QPoint toQt(Point point) { return QPoint(point.x, point.y); }

void paintNote(QPainter& painter, const VerboseNote& note) {
  OverlayNote plain;
  plain.level = note.level;
  plain.area = Rect::fromSize(0, 0, note.area.width(), note.area.height());
  plain.marker = Point{note.marker.x(), note.marker.y()};
  plain.label = note.label.toStdString();
  plain.status = note.status.toStdString();
  const OverlayLayout layout = layoutNote(plain);
  const QSize size = note.area.size();
  if (layout.frame) {
    const int width = OverlayLayout::kFrameWidth;
    const Rect& f = *layout.frame;
    painter.setPen(QPen(kBlue, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(f.left + width / 2, f.top + width / 2, f.width() - width, f.height() - width));
  }
  if (layout.crossAcross && layout.crossDown) {
    painter.setPen(QPen(kBlue, OverlayLayout::kCrossWidth));
    for (const OverlayLine& line : {*layout.crossAcross, *layout.crossDown}) painter.drawLine(toQt(line.from), toQt(line.to));
  }
  if (layout.circleCentre) {
    painter.setPen(QPen(kBlue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(toQt(*layout.circleCentre), OverlayLayout::kCircleRadius, OverlayLayout::kCircleRadius);
  }
  if (layout.labelOrigin) {
    painter.setFont(noteFont());
    painter.setPen(kBlue);
    const QPoint origin = toQt(*layout.labelOrigin);
    painter.drawText(QRect(origin, QSize(size.width() - origin.x(), size.height() - origin.y())),
                     Qt::AlignLeft | Qt::AlignTop, note.label);
  }
  if (layout.statusOrigin) {
    painter.setFont(noteFont());
    QFontMetrics metrics(painter.font());
    const QRect box(toQt(*layout.statusOrigin), QSize(metrics.horizontalAdvance(note.status), metrics.height()));
    painter.fillRect(box, kBlue);
    painter.setPen(kWhite);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, note.status);
  }
}

}  // namespace

VerboseNote VerboseNote::fromOverlayNote(const OverlayNote& note) {
  VerboseNote shown;
  shown.level = note.level;
  shown.area = QRect(note.area.left, note.area.top, note.area.width(), note.area.height());
  shown.marker = QPoint(note.marker.x, note.marker.y);
  shown.label = QString::fromStdString(note.label);
  shown.status = QString::fromStdString(note.status);
  return shown;
}

QImage renderVerboseNote(const VerboseNote& note) {
  QImage image(note.area.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(kGround);
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
    setMask(QBitmap::fromImage(drawn.createMaskFromColor(kGround.rgb(), Qt::MaskInColor)));
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
    painter.fillRect(rect(), kGround);
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
