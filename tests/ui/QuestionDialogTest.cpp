// The question dialog: its buttons and check box, the bounds of its layout,
// the answers it stores and reads back, and a dialog closed without a button.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <map>

#include "UiSupport.h"
#include "ui/DialogUi.h"
#include "ui/QuestionDialog.h"
#include "platform/Settings.h"

namespace qlm {
namespace {

class MemorySettings final : public Settings {
 public:
  std::optional<std::string> readString(std::string_view section, std::string_view entry) override {
    auto found = m_values.find({std::string(section), std::string(entry)});
    if (found == m_values.end()) return std::nullopt;
    return found->second;
  }
  bool writeString(std::string_view section, std::string_view entry, std::string_view value) override {
    m_values[{std::string(section), std::string(entry)}] = value;
    return true;
  }
  std::optional<std::string> machineValue(std::string_view) override { return std::nullopt; }
  std::size_t size() const { return m_values.size(); }

 private:
  std::map<std::pair<std::string, std::string>, std::string> m_values;
};

Question makeQuestion(std::string text, std::vector<std::string> answers, bool rememberable) {
  Question question;
  question.text = std::move(text);
  question.answers = std::move(answers);
  question.rememberable = rememberable;
  if (rememberable) question.section = "User Response";
  return question;
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
  struct Case {
    const char* name;
    Question question;
    int questionWidth;  // 0: anything within the bounds
    const char* label;  // the drawn label beside the check box; none without it
  };
  const Case cases[] = {
      {"MsgBox", makeQuestion("?", {"OK"}, true), kNarrowestText, "No longer report."},
      {"Ask", makeQuestion(longText, {"a", longText}, true), kWidestText, "Do not ask again."},
      {"resume", resumeQuestion(), 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuestionDialog dialog(c.question);
    dialog.show();
    const QuestionLayout& layout = dialog.layout();
    if (c.questionWidth > 0) {
      EXPECT_EQ(layout.question.width(), c.questionWidth);
    }
    EXPECT_GE(layout.question.width(), kNarrowestText);
    EXPECT_LE(layout.question.width(), kWidestText);
    for (int number = 1; number <= 3; ++number) {
      QPushButton* button = dialog.button(number);
      const bool shown = number <= static_cast<int>(c.question.answers.size());
      EXPECT_EQ(button->isVisible(), shown) << number;
      if (!shown) {
        EXPECT_TRUE(button->text().isEmpty());
        continue;
      }
      EXPECT_GE(button->width(), kNarrowestText);
      EXPECT_LE(button->width(), kWidestText);
      EXPECT_TRUE(dialog.rect().contains(button->geometry())) << number;
    }
    EXPECT_TRUE(dialog.button(1)->isDefault());
    EXPECT_EQ(dialog.rememberBox() != nullptr, c.label != nullptr);
    if (c.label != nullptr) {
      EXPECT_TRUE(dialog.rememberBox()->isVisible());
      EXPECT_EQ(layout.checkLabel.left(), 35);
    }
  }
}

TEST(QuestionDialogTest, StoredAnswerIsReadBackWithoutShowingTheDialog) {
  MemorySettings settings;
  TraceLog trace;
  DialogUi ui(&settings, &trace);
  int buttonsPressed = 0;
  ui.setButtonHook([&] { ++buttonsPressed; });
  const Question question = makeQuestion("Go on with $A=1 ?", {"Yes", "No"}, true);

  whenShown([](QuestionDialog& dialog) {
    dialog.rememberBox()->setChecked(true);
    QTest::mouseClick(dialog.button(2), Qt::LeftButton);
  });
  EXPECT_EQ(ui.ask(question), 2);
  EXPECT_EQ(buttonsPressed, 1);
  EXPECT_EQ(settings.readString("User Response", question.text), "2");
  EXPECT_TRUE(trace.events().empty());

  bool shown = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      shown = true;
      dialog->close();
    }
  });
  EXPECT_EQ(ui.ask(question), 2);
  QApplication::processEvents();
  EXPECT_FALSE(shown);
  ASSERT_EQ(trace.events().size(), 1u);
  EXPECT_EQ(trace.events()[0].description, "Get saved response:");
  EXPECT_EQ(trace.events()[0].text, "2");

  // Another text is another question.
  whenShown([](QuestionDialog& dialog) { QTest::mouseClick(dialog.button(1), Qt::LeftButton); });
  EXPECT_EQ(ui.ask(makeQuestion("Go on with $A=2 ?", {"Yes", "No"}, true)), 1);
  EXPECT_EQ(settings.size(), 1u);
}

TEST(QuestionDialogTest, ClosingWithoutAButtonStoresNothing) {
  struct Case {
    const char* name;
    Question question;
    int answer;
  };
  const Case cases[] = {
      {"resume", resumeQuestion(), 3},
      {"Ask", makeQuestion("Which one ?", {"This", "That"}, true), 0},
      {"MsgBox", makeQuestion("Done.", {"OK"}, true), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySettings settings;
    DialogUi ui(&settings, nullptr);
    whenShown([](QuestionDialog& dialog) {
      if (dialog.rememberBox() != nullptr) dialog.rememberBox()->setChecked(true);
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(ui.ask(c.question), c.answer);
    EXPECT_EQ(settings.size(), 0u);
  }
}

}  // namespace
}  // namespace qlm
