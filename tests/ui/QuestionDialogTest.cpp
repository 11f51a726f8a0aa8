// The question dialog: its buttons and check box, the bounds of its layout,
// the answers it stores and reads back, and a dialog closed without a button.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "UiSupport.h"
#include "ui/DialogUi.h"
#include "ui/QuestionDialog.h"

namespace qlm {
namespace {

Question makeQuestion(std::string text, std::vector<std::string> answers, bool rememberable) {
  return {.text = std::move(text), .answers = std::move(answers),
          .section = rememberable ? "User Response" : "System Response", .rememberable = rememberable};
}

Question resumeQuestion() {
  return makeQuestion("Would you like to continue the previous playback Line=2 Instruction=1 (already executed) ?",
                      {"Yes", "No, start again at the next instruction.",
                       "No, from the beginning and also reset the variables."},
                      false);
}

// Acts on the next question dialog once it is shown.
void whenShown(std::function<void(QuestionDialog&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* dialog = qobject_cast<QuestionDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST(QuestionDialogTest, ShowsOneButtonPerAnswerWithinTheLayoutBounds) {
  const std::string longText(400, 'W');
  const std::tuple<const char*, Question, int> cases[] = {  // name, question, its width (0: any within the bounds)
      {"MsgBox", makeQuestion("?", {"OK"}, true), kNarrowestText},
      {"Ask", makeQuestion(longText, {"a", longText}, true), kWidestText},
      {"resume", resumeQuestion(), 0},
  };
  auto withinBounds = [](int width) { return width >= kNarrowestText && width <= kWidestText; };
  for (const auto& [name, question, questionWidth] : cases) {
    SCOPED_TRACE(name);
    QuestionDialog dialog(question);
    dialog.show();
    const QuestionLayout& layout = dialog.layout();
    EXPECT_TRUE(questionWidth > 0 ? layout.question.width() == questionWidth : withinBounds(layout.question.width()))
        << layout.question.width();
    for (int number = 1; number <= 3; ++number) {
      QPushButton* button = dialog.button(number);
      const bool shown = number <= static_cast<int>(question.answers.size());
      EXPECT_EQ(button->isVisible(), shown) << number;
      EXPECT_TRUE(shown ? withinBounds(button->width()) && dialog.rect().contains(button->geometry())
                        : button->text().isEmpty())
          << number;
    }
    EXPECT_TRUE(dialog.button(1)->isDefault());
    ASSERT_EQ(dialog.rememberBox() != nullptr, question.rememberable);
    if (question.rememberable) {
      EXPECT_TRUE(dialog.rememberBox()->isVisible());
      EXPECT_EQ(layout.checkLabel.left(), 35);
    }
  }
}

TEST(QuestionDialogTest, StoredAnswerIsReadBackWithoutShowingTheDialog) {
  testing::SimServices sim;
  TraceLog trace;
  DialogUi ui(sim.platform->settings.get(), &trace);
  int buttonsPressed = 0;
  ui.setButtonHook([&] { ++buttonsPressed; });
  const Question question = makeQuestion("Go on with invoice 1 ?", {"Yes", "No"}, true);

  whenShown([](QuestionDialog& dialog) {
    dialog.rememberBox()->setChecked(true);
    QTest::mouseClick(dialog.button(2), Qt::LeftButton);
  });
  EXPECT_EQ(ui.ask(question), 2);
  EXPECT_EQ(buttonsPressed, 1);
  EXPECT_TRUE(trace.events().empty());

  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    EXPECT_EQ(dialog, nullptr) << "the stored answer was asked again";
    if (dialog != nullptr) dialog->close();
  });
  EXPECT_EQ(ui.ask(question), 2);
  QApplication::processEvents();
  ASSERT_EQ(trace.events().size(), 1u);
  EXPECT_EQ(trace.events()[0].description, "Get saved response:");
  EXPECT_EQ(trace.events()[0].text, "2");

  // Another text is another question.
  whenShown([](QuestionDialog& dialog) { QTest::mouseClick(dialog.button(1), Qt::LeftButton); });
  EXPECT_EQ(ui.ask(makeQuestion("Go on with invoice 2 ?", {"Yes", "No"}, true)), 1);
  EXPECT_EQ(sim.desktop->settingsFile().text(), "[User Response]\nGo on with invoice 1 ?=2\n");
}

TEST(QuestionDialogTest, ClosingWithoutAButtonStoresNothing) {
  const std::tuple<const char*, Question, int> cases[] = {  // name, question, answer
      {"resume", resumeQuestion(), 3},
      {"Ask", makeQuestion("Which one ?", {"This", "That"}, true), 0},
      {"MsgBox", makeQuestion("Done.", {"OK"}, true), 1},
  };
  for (const auto& [name, question, answer] : cases) {
    SCOPED_TRACE(name);
    testing::SimServices sim;
    DialogUi ui(sim.platform->settings.get(), nullptr);
    whenShown([](QuestionDialog& dialog) {
      if (dialog.rememberBox() != nullptr) dialog.rememberBox()->setChecked(true);
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(ui.ask(question), answer);
    EXPECT_EQ(sim.desktop->settingsFile().text(), "");
  }
}

}  // namespace
}  // namespace qlm
