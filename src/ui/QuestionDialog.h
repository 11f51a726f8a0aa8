#pragma once
// The program's one question box: the question drawn beside our picture, one
// to three answer buttons laid out from the measured texts, and the check box
// that stores the answer.
#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QPushButton>
#include <array>
#include <functional>
#include <optional>

#include "app/SystemResponse.h"

namespace qlm {

struct QuestionLayout {
  QRect picture;
  QRect question;
  std::array<QRect, 3> buttons;  // empty for hidden buttons
  QRect checkBox;                // empty when the answer cannot be stored
  QRect checkLabel;
  QSize window;
};

inline constexpr int kNarrowestText = 50;
inline constexpr int kWidestText = 800;

QFont questionFont();
QFont buttonFont();
QuestionLayout layoutQuestion(const Question& question);
// The answer of a dialog closed without a button (Escape, the close box).
std::optional<UserAnswer> closedAnswer(const Question& question);

class QuestionDialog final : public QDialog {
  Q_OBJECT

 public:
  QuestionDialog(const Question& question, QWidget* parent = nullptr);

  // Every answer button runs it before the dialog closes.
  void setButtonHook(std::function<void()> hook) { m_buttonHook = std::move(hook); }
  std::optional<UserAnswer> answer() const { return m_answer; }
  QPushButton* button(int number) const { return m_buttons[static_cast<std::size_t>(number - 1)]; }
  QCheckBox* rememberBox() const { return m_remember; }
  const QuestionLayout& layout() const { return m_layout; }

  void reject() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void answerWith(int number);

  Question m_question;
  QuestionLayout m_layout;
  std::array<QPushButton*, 3> m_buttons{};
  QCheckBox* m_remember = nullptr;
  std::function<void()> m_buttonHook;
  std::optional<UserAnswer> m_answer;
};

}  // namespace qlm
