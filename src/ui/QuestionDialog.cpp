#include "ui/QuestionDialog.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr int kMargin = 12;
constexpr int kPictureSize = 64;
constexpr int kGap = 8;
constexpr int kButtonPadding = 24;
constexpr int kCheckBoxLeft = 15;
constexpr int kCheckLabelLeft = 35;
// Buttons share a row while they fit in this width, else each has its own.
constexpr int kRowWidth = 420;

QString shown(std::string_view text) { return QString::fromStdString(utf8FromCp1252(text)); }

int clampedWidth(int width) { return std::clamp(width, kNarrowestText, kWidestText); }

QRect questionBounds(const QString& text) {
  QFontMetrics metrics(questionFont());
  QRect widest = metrics.boundingRect(QRect(0, 0, kWidestText, 100000), Qt::TextWordWrap, text);
  int width = clampedWidth(widest.width());
  QRect wrapped = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text);
  return QRect(0, 0, width, std::max(wrapped.height(), metrics.height()));
}

QString checkLabelText(const Question& question) {
  return question.answers.size() == 1 ? QStringLiteral("No longer report.") : QStringLiteral("Do not ask again.");
}

// A speech bubble holding a question mark.
void drawPicture(QPainter& painter, const QRect& area) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath bubble;
  QRectF body = QRectF(area).adjusted(2, 2, -2, -14);
  bubble.addRoundedRect(body, 12, 12);
  QPolygonF tail;
  tail << QPointF(body.left() + 14, body.bottom() - 1) << QPointF(body.left() + 10, area.bottom() - 1)
       << QPointF(body.left() + 28, body.bottom() - 1);
  bubble.addPolygon(tail);
  painter.setPen(QPen(QColor(0, 0, 160), 2));
  painter.setBrush(QColor(70, 110, 230));
  painter.drawPath(bubble.simplified());
  QFont mark("Times New Roman");
  mark.setPixelSize(static_cast<int>(body.height()) - 8);
  mark.setBold(true);
  painter.setFont(mark);
  painter.setPen(Qt::white);
  painter.drawText(body, Qt::AlignCenter, QStringLiteral("?"));
  painter.restore();
}

}  // namespace

QFont questionFont() {
  QFont font("Times New Roman");
  font.setPixelSize(18);
  font.setWeight(QFont::Normal);
  return font;
}

QFont buttonFont() {
  QFont font("Times New Roman");
  font.setPixelSize(14);
  font.setWeight(QFont::Normal);
  return font;
}

QuestionLayout layoutQuestion(const Question& question) {
  QuestionLayout layout;
  layout.picture = QRect(kMargin, kMargin, kPictureSize, kPictureSize);
  const int left = layout.picture.right() + 1 + 2 * kGap;
  layout.question = questionBounds(shown(question.text)).translated(left, kMargin);

  QFontMetrics metrics(buttonFont());
  const std::size_t count = std::min<std::size_t>(question.answers.size(), 3);
  std::array<int, 3> widths{};
  int rowWidth = 0;
  for (std::size_t i = 0; i < count; ++i) {
    widths[i] = clampedWidth(metrics.horizontalAdvance(shown(question.answers[i])) + kButtonPadding);
    rowWidth += widths[i] + (i > 0 ? kGap : 0);
  }
  const int height = metrics.height() + 14;
  const bool oneRow = rowWidth <= std::max(kRowWidth, layout.question.width());
  int x = left;
  int y = std::max(layout.question.bottom(), layout.picture.bottom()) + 1 + 2 * kGap;
  for (std::size_t i = 0; i < count; ++i) {
    layout.buttons[i] = QRect(x, y, widths[i], height);
    if (oneRow) {
      x += widths[i] + kGap;
    } else {
      y += height + kGap;
    }
  }
  int bottom = count > 0 ? layout.buttons[count - 1].bottom() : layout.question.bottom();
  if (question.rememberable) {
    QFontMetrics labelMetrics(buttonFont());
    int top = bottom + 1 + 2 * kGap;
    layout.checkBox = QRect(kCheckBoxLeft, top, 16, 16);
    layout.checkLabel = QRect(kCheckLabelLeft, top, labelMetrics.horizontalAdvance(checkLabelText(question)) + 4,
                              std::max(16, labelMetrics.height()));
    bottom = layout.checkLabel.bottom();
  }
  int right = layout.question.right();
  for (const QRect& button : layout.buttons) right = std::max(right, button.right());
  right = std::max(right, layout.checkLabel.right());
  layout.window = QSize(right + 1 + kMargin, bottom + 1 + kMargin);
  return layout;
}

std::optional<UserAnswer> closedAnswer(const Question& question) {
  // A question that may be stored is one the document asks: no answer stops
  // its playback. The program's own questions and a bare message take their
  // last button, which for the resume question replays nothing twice.
  if (question.answers.empty() || (question.rememberable && question.answers.size() > 1)) return std::nullopt;
  return UserAnswer{static_cast<int>(question.answers.size()), false};
}

QuestionDialog::QuestionDialog(const Question& question, QWidget* parent)
    : QDialog(parent), m_question(question), m_layout(layoutQuestion(question)) {
  setWindowTitle(QStringLiteral("Quillmote"));
  setSizeGripEnabled(true);
  setFont(buttonFont());
  const std::size_t count = std::min<std::size_t>(question.answers.size(), 3);
  QFontMetrics metrics(buttonFont());
  for (std::size_t i = 0; i < m_buttons.size(); ++i) {
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("answer%1").arg(i + 1));
    if (i < count) {
      QString text = shown(question.answers[i]);
      QString fitted = metrics.elidedText(text, Qt::ElideRight, m_layout.buttons[i].width() - kButtonPadding / 2);
      // An answer's '&' is a character, not a keyboard shortcut.
      button->setText(fitted.replace('&', QStringLiteral("&&")));
      if (fitted != text) button->setToolTip(text);
      button->setGeometry(m_layout.buttons[i]);
    } else {
      button->hide();
    }
    connect(button, &QPushButton::clicked, this, [this, i] { answerWith(static_cast<int>(i) + 1); });
    m_buttons[i] = button;
  }
  m_buttons[0]->setDefault(true);
  m_buttons[0]->setFocus();
  if (question.rememberable) {
    m_remember = new QCheckBox(this);
    m_remember->setObjectName(QStringLiteral("remember"));
    m_remember->setAccessibleName(QStringLiteral("Sauvegarder la réponse et ne plus demander."));
    m_remember->setToolTip(m_remember->accessibleName());
    m_remember->setGeometry(m_layout.checkBox);
  }
  setMinimumSize(m_layout.window);
  resize(m_layout.window);
}

void QuestionDialog::answerWith(int number) {
  if (m_buttonHook) m_buttonHook();
  m_answer = UserAnswer{number, m_remember != nullptr && m_remember->isChecked()};
  done(number);
}

void QuestionDialog::reject() {
  m_answer = closedAnswer(m_question);
  QDialog::reject();
}

void QuestionDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawPicture(painter, m_layout.picture);
  painter.setPen(Qt::black);
  painter.setFont(questionFont());
  painter.drawText(m_layout.question, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, shown(m_question.text));
  if (m_remember != nullptr) {
    painter.setFont(buttonFont());
    painter.drawText(m_layout.checkLabel, Qt::AlignLeft | Qt::AlignVCenter, checkLabelText(m_question));
  }
}

}  // namespace qlm
