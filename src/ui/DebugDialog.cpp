#include "ui/DebugDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <cstdio>

#include "document/Snapshot.h"
#include "imaging/RecordPicture.h"
#include "language/Document.h"
#include "platform/TextEncoding.h"
#include "ui/CellEditor.h"
#include "ui/DocumentView.h"

namespace qlm {
namespace {

const QColor kRed(250, 0, 24);
const QColor kGreen(132, 186, 2);
const QColor kBlue(0, 0, 255);
constexpr int kTextLeft = 100;
constexpr int kTextWidth = 490;
constexpr int kInstructionLimit = 500;
constexpr int kFunnelLeft = 20;
constexpr int kFunnelTop = 20;
// The check boxes sit beside the bands: bit 2 at the top, bit 4, bit 1 at the bottom.
constexpr int kBoxLeft = 69;
constexpr int kBoxTops[3] = {56, 90, 121};
constexpr int kBoxSize = 12;
constexpr int kAnimationSteps = 20;
constexpr int kClosingPauseMs = 300;
constexpr int kPanelLine = 210;
constexpr int kPanelTop = 230;
constexpr int kImageLeft = 160;
constexpr int kWindowWidth = 705;
constexpr int kWindowHeight = 192;

QString shown(std::string_view text) { return QString::fromStdString(utf8FromCp1252(text)); }

QFont labelFont() {
  QFont font("Times New Roman");
  font.setPixelSize(18);
  font.setItalic(true);
  return font;
}

int stageNumber(DebugStage stage) { return static_cast<int>(stage); }

// The band of the funnel a stage passes through; the last one leaves it.
int bandOf(DebugStage stage) { return std::clamp(stageNumber(stage) - 1, 0, 3); }

QImage imageOf(const std::optional<Picture>& picture) { return picture ? imageOfPicture(*picture, false) : QImage(); }

}  // namespace

std::vector<DebugText> debugTexts(const DebugColumns& columns) {
  std::vector<DebugText> texts;
  const int stage = stageNumber(columns.stage);
  texts.push_back({QStringLiteral("Target Application"), Qt::black, {8, 150}});
  if (stage < 1) return texts;
  texts.push_back({QString::asprintf("Instruction %d, line %d to execute :", columns.instructionNumber, columns.line),
                   Qt::black, {kTextLeft, 8}});
  if (stage >= 2) {
    texts.push_back({shown(columns.desc1), kRed, {kTextLeft, 80}});
    texts.push_back({shown(columns.desc2), kRed, {kTextLeft, 98}});
  }
  if (stage >= 3) {
    texts.push_back({QStringLiteral("Result to be send to the target application :"), Qt::black, {kTextLeft, 120}});
    texts.push_back({shown(columns.output), kGreen, {kTextLeft, 138}});
    if (columns.output.find("\\[") != std::string::npos) {
      texts.push_back(
          {QStringLiteral("Debug mode will be suspended until release of all keys."), kRed, {kTextLeft, 158}, true});
    }
  }
  return texts;
}

std::vector<DebugText> panelTexts(const DebugImagePanel& panel) {
  std::vector<DebugText> texts;
  if (!panel.shown) return texts;
  const RecordMarks& marks = panel.marks;
  const int right = panel.capture.width() + 180;
  const int liveTop = 270 + panel.capture.height();
  texts.push_back({QStringLiteral("Image recorded:"), Qt::black, {20, kPanelTop}});
  texts.push_back({QStringLiteral("Live image:"), Qt::black, {20, liveTop}});
  const bool searches = marks.conditionLevel > 0;
  texts.push_back({searches ? QStringLiteral("With search image function") : QStringLiteral("Without search image function"),
                   Qt::black, {right, kPanelTop}});
  if (searches && panel.found.x < 0) texts.push_back({QStringLiteral("Image not found"), Qt::black, {right, kPanelTop + 20}});
  if (searches && panel.found.x >= 0) texts.push_back({QStringLiteral("Image found"), Qt::black, {right, liveTop}});
  if (!searches) texts.push_back({QStringLiteral("Image arround the click"), Qt::black, {right, liveTop}});
  QString click;
  switch (marks.clickFlag) {
    case 0: click = QStringLiteral("No click"); break;
    case 1: click = QString::asprintf("Click is absolute x=%d, y=%d", marks.click.x, marks.click.y); break;
    default: click = QStringLiteral("Click is relative to found image"); break;
  }
  texts.push_back({click, Qt::black, {right, kPanelTop + 40}});
  return texts;
}

DebugDialog::DebugDialog(Debugger& debugger, DebugImagePanel panel, QWidget* parent)
    : QDialog(parent), m_debugger(debugger), m_panel(std::move(panel)) {
  setSizeGripEnabled(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  m_stop = new QPushButton(QStringLiteral("Stop"), this);
  m_continue = new QPushButton(QStringLiteral("Continue"), this);
  m_end = new QPushButton(QStringLiteral("End"), this);
  m_stop->setGeometry(600, 8, 90, 28);
  m_continue->setGeometry(600, 44, 90, 28);
  m_end->setGeometry(600, 80, 90, 28);
  m_stop->setAutoDefault(false);
  m_end->setAutoDefault(false);
  m_continue->setDefault(true);
  connect(m_stop, &QPushButton::clicked, this, &DebugDialog::stopPressed);
  connect(m_continue, &QPushButton::clicked, this, &DebugDialog::continuePressed);
  connect(m_end, &QPushButton::clicked, this, &DebugDialog::endPressed);

  const std::pair<QCheckBox**, int> boxes[] = {
      {&m_beforeExecute, kDebugBeforeExecute}, {&m_inFunctions, kDebugInFunctions}, {&m_beforeSend, kDebugBeforeSend}};
  for (std::size_t i = 0; i < 3; ++i) {
    auto* box = new QCheckBox(this);
    box->setGeometry(kBoxLeft, kBoxTops[i], kBoxSize + 4, kBoxSize + 4);
    const int bit = boxes[i].second;
    connect(box, &QCheckBox::clicked, this, [this, bit](bool checked) { levelBoxClicked(bit, checked); });
    *boxes[i].first = box;
  }

  const DebugColumns& columns = m_debugger.columns();
  m_instruction = new QTextEdit(this);
  m_instruction->setReadOnly(true);
  m_instruction->setFocusPolicy(Qt::NoFocus);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  courier.setPointSize(9);
  m_instruction->setFont(courier);
  m_instruction->setGeometry(kTextLeft, 30, kTextWidth, 44);
  new InstructionHighlighter(m_instruction->document());
  m_instruction->setPlainText(shown(std::string_view(columns.instruction).substr(0, kInstructionLimit)));
  m_instruction->setVisible(stageNumber(columns.stage) >= 1);

  QSize size(kWindowWidth, kWindowHeight);
  if (m_panel.shown) {
    size = size.expandedTo(QSize(m_panel.capture.width() + 180 + 280, 290 + 2 * m_panel.capture.height()));
  }
  resize(size);
  connect(&m_animation, &QTimer::timeout, this, [this] {
    if (++m_animationStep >= kAnimationSteps) m_animation.stop();
    update();
  });
  refresh();
  m_continue->setFocus();
}

QCheckBox* DebugDialog::levelBox(int bit) const {
  switch (bit) {
    case kDebugBeforeSend: return m_beforeSend;
    case kDebugBeforeExecute: return m_beforeExecute;
    case kDebugInFunctions: return m_inFunctions;
    default: return nullptr;
  }
}

std::vector<DebugText> DebugDialog::shownTexts() const {
  std::vector<DebugText> texts = debugTexts(m_debugger.columns());
  if (stageNumber(m_debugger.columns().stage) >= 2) {
    std::vector<DebugText> panel = panelTexts(m_panel);
    texts.insert(texts.end(), panel.begin(), panel.end());
  }
  return texts;
}

void DebugDialog::refresh() {
  const int level = m_debugger.debugLevel();
  setWindowTitle(QString::asprintf("Quillmote Debug step by step Level=%d", level));
  for (int bit : {kDebugBeforeSend, kDebugBeforeExecute, kDebugInFunctions}) levelBox(bit)->setChecked((level & bit) != 0);
  if (m_animatedStage != m_debugger.columns().stage) startAnimation();
  update();
}

void DebugDialog::startAnimation() {
  m_animatedStage = m_debugger.columns().stage;
  m_animationStep = 0;
  m_animation.start(1);
}

void DebugDialog::continuePressed() {
  m_debugger.continueStep();
  refresh();
  repaint();
  if (m_debugger.columns().stage == DebugStage::Sent) {
    for (QPushButton* button : {m_stop, m_continue, m_end}) button->setEnabled(false);
    QTimer::singleShot(kClosingPauseMs, this, &QDialog::accept);
    return;
  }
  accept();
}

void DebugDialog::stopPressed() {
  m_debugger.stopPlayback();
  refresh();
  accept();
}

void DebugDialog::endPressed() {
  m_debugger.endDebugging();
  accept();
}

// Closing the window without a button is taken for Continue.
void DebugDialog::reject() {
  m_debugger.continueStep();
  QDialog::reject();
}

void DebugDialog::levelBoxClicked(int bit, bool checked) {
  m_debugger.setLevelBit(bit, checked);
  refresh();
}

void DebugDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  drawFunnel(painter);
  if (stageNumber(m_debugger.columns().stage) >= 2) drawPanel(painter);
  QFontMetrics metrics(font());
  for (const DebugText& text : shownTexts()) {
    QFont font = text.text == QStringLiteral("Target Application") ? labelFont() : this->font();
    painter.setFont(font);
    QFontMetrics fitted(font);
    QString line = fitted.elidedText(text.text, Qt::ElideRight, kTextWidth);
    QRect box(text.at, QSize(fitted.horizontalAdvance(line) + 2, fitted.height()));
    if (text.onWhite) painter.fillRect(box, Qt::white);
    painter.setPen(text.colour);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, line);
  }
}

// Three bands narrowing downwards and a spout; the band of the current stage
// fills from the top as the animation goes on.
void DebugDialog::drawFunnel(QPainter& painter) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const int bandHeight = 30;
  const int widths[4] = {44, 32, 20, 8};
  const int centre = kFunnelLeft + 22;
  const int active = bandOf(m_debugger.columns().stage);
  for (int band = 0; band < 4; ++band) {
    const int top = kBoxTops[std::min(band, 2)] - 10 + (band == 3 ? bandHeight : 0);
    const int bottomWidth = band < 3 ? widths[band + 1] : widths[3];
    QPolygonF shape;
    shape << QPointF(centre - widths[band] / 2.0, top) << QPointF(centre + widths[band] / 2.0, top)
          << QPointF(centre + bottomWidth / 2.0, top + bandHeight) << QPointF(centre - bottomWidth / 2.0, top + bandHeight);
    painter.setPen(QPen(QColor(0, 0, 160), 1.5));
    painter.setBrush(band == active ? QColor(200, 215, 255) : QColor(235, 235, 235));
    painter.drawPolygon(shape);
    if (band == active && m_animatedStage != DebugStage::None) {
      const double filled = bandHeight * std::min(m_animationStep, kAnimationSteps) / double(kAnimationSteps);
      painter.save();
      QPainterPath clip;
      clip.addPolygon(shape);
      painter.setClipPath(clip);
      painter.fillRect(QRectF(centre - 30, top, 60, filled), QColor(70, 110, 230));
      painter.restore();
    }
  }
  painter.restore();
}

void DebugDialog::drawPanel(QPainter& painter) const {
  if (!m_panel.shown) return;
  painter.save();
  painter.setPen(QPen(kBlue, 3));
  painter.drawLine(0, kPanelLine, width(), kPanelLine);
  const int liveTop = 270 + m_panel.capture.height();
  const std::pair<const QImage*, int> images[] = {{&m_panel.recorded, kPanelTop}, {&m_panel.live, liveTop}};
  for (const auto& [image, top] : images) {
    if (image->isNull()) continue;
    painter.drawImage(QPoint(kImageLeft, top), *image);
    painter.setPen(QPen(kBlue, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(kImageLeft, top), image->size()).adjusted(-2, -2, 1, 1));
  }
  painter.restore();
}

GuiDebugWindow::GuiDebugWindow(Document& document, QWidget* parent) : m_document(document), m_parent(parent) {}

DebugImagePanel GuiDebugWindow::preparePanel(const Debugger& debugger) {
  DebugImagePanel panel;
  RecordDocument& records = m_document.records();
  const int index = records.currentRecord();
  if (index < 0 || index >= records.count()) return panel;
  panel.marks = RecordMarks::of(records.record(index));
  panel.shown = showsPictures(panel.marks, debugger.columns().instruction);
  if (!panel.shown) return panel;
  panel.found = m_document.foundPosition();
  const Rect cut = traceCaptureRect(panel.marks);
  panel.capture = QSize(cut.width(), cut.height());
  const Point origin{cut.left, cut.top};
  if (Result<Picture> stored = readRecordPicture(m_document.pathName(), index)) {
    Snapshot slot;
    slot.setCapture(std::move(*stored));
    panel.recorded = imageOf(markedCutOut(slot, cut, panel.marks, origin));
  }
  if (panel.recorded.isNull()) m_document.ui().showMessage("OnPaintFindFoundImage:Pb StretchDIBits 1 ()");
  CaptureBuffer& live = m_document.captureBuffer();
  // A match at the left edge (x = 0) is a match like any other.
  if (live.exists() && (panel.marks.conditionLevel <= 0 || panel.found.x >= 0)) {
    const Point liveOrigin = liveCutOrigin(panel.marks, panel.found);
    panel.live = imageOf(markedCutOut(live.slot(), Rect::fromSize(liveOrigin.x, liveOrigin.y, cut.width(), cut.height()),
                                      panel.marks, origin));
    if (panel.live.isNull()) m_document.ui().showMessage("OnPaintFindFoundImage:Pb StretchDIBits 2()");
  }
  return panel;
}

void GuiDebugWindow::runModal(Debugger& debugger) {
  auto run = [this, &debugger] {
    DebugDialog dialog(debugger, preparePanel(debugger), m_parent);
    if (m_savedPosition.x() != 0 && m_savedPosition.y() != 0) dialog.move(m_savedPosition);
    QObject::connect(&dialog, &QDialog::finished, &dialog, [this, &dialog] { m_savedPosition = dialog.pos(); });
    QTimer::singleShot(0, &dialog, [this, &dialog] { emit opened(&dialog); });
    dialog.exec();
  };
  if (QThread::currentThread() == thread()) {
    run();
  } else {
    QMetaObject::invokeMethod(this, run, Qt::BlockingQueuedConnection);
  }
}

}  // namespace qlm
