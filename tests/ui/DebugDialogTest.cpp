// The step-by-step debugger window over a playback on the simulated desktop:
// where it stops for each debug level, what it shows at each stage, which
// buttons change the level, and Stop ending the playback.
#include <QTest>
#include <algorithm>

#include "UiSupport.h"
#include "language/VariableTable.h"
#include "ui/DebugDialog.h"
#include "ui/MainWindow.h"

namespace qlm {
namespace {

using Press = QPushButton* (DebugDialog::*)() const;
constexpr Press kContinue = &DebugDialog::continueButton;
constexpr Press kEnd = &DebugDialog::endButton;
constexpr Press kStop = &DebugDialog::stopButton;

struct ExpectedStop {
  DebugStage stage;
  const char* shows;     // a line the window draws
  const char* hides;     // a line it must not draw yet; none when nullptr
  int checkedBits;       // the check boxes as the window opens
  Press press;
  bool clearBoxesFirst = false;
};

struct DebugCase {
  const char* name;
  std::vector<std::string> instructions;
  std::vector<ExpectedStop> stops;
  int levelAfter;
  bool stopped;
  const char* lastValueOfA;  // $A after the playback
};

bool shows(const std::vector<DebugText>& lines, const char* text) {
  return std::ranges::any_of(lines, [&](const DebugText& line) { return line.text == QString::fromUtf8(text); });
}

class DebugDialogTest : public ::testing::TestWithParam<DebugCase> {};

TEST_P(DebugDialogTest, StopsShowsAndObeysItsButtons) {
  const DebugCase& c = GetParam();
  testing::TempFolder folder;
  const std::string path = folder.file("debug.qlm");
  testing::writeDocument(path, "typed", c.instructions);
  testing::SimServices sim;
  sim.desktop->createWindow({.className = "XTerm", .title = "typed", .process = "xterm", .textField = true});
  MessageLog messages;
  MainWindow window(*sim.platform, messages);
  ASSERT_TRUE(window.openDocument(QString::fromStdString(path)));

  std::size_t seen = 0;
  QObject::connect(&window.debugWindow(), &GuiDebugWindow::opened, [&](DebugDialog* dialog) {
    const std::size_t number = seen++;
    if (number >= c.stops.size()) {
      ADD_FAILURE() << "unexpected stop " << number;
      dialog->endButton()->click();
      return;
    }
    SCOPED_TRACE(number);
    const ExpectedStop& stop = c.stops[number];
    EXPECT_EQ(dialog->stage(), stop.stage);
    EXPECT_TRUE(shows(dialog->shownTexts(), stop.shows)) << stop.shows;
    EXPECT_TRUE(stop.hides == nullptr || !shows(dialog->shownTexts(), stop.hides)) << stop.hides;
    for (int bit : {kDebugBeforeSend, kDebugBeforeExecute, kDebugInFunctions}) {
      EXPECT_EQ(dialog->levelBox(bit)->isChecked(), (stop.checkedBits & bit) != 0) << bit;
    }
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Quillmote Debug step by step Level=" + std::to_string(stop.checkedBits));
    EXPECT_TRUE(dialog->continueButton()->isDefault());
    for (int bit : {kDebugBeforeSend, kDebugBeforeExecute, kDebugInFunctions}) {
      if (stop.clearBoxesFirst && dialog->levelBox(bit)->isChecked()) QTest::mouseClick(dialog->levelBox(bit), Qt::LeftButton);
    }
    if (stop.clearBoxesFirst) {
      EXPECT_EQ(dialog->windowTitle().toStdString(), "Quillmote Debug step by step Level=0");
    }
    QTest::mouseClick((dialog->*stop.press)(), Qt::LeftButton);
  });
  bool finished = false;
  QObject::connect(&window, &MainWindow::playbackFinished, [&] { finished = true; });
  ASSERT_TRUE(window.play());
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 20000));
  EXPECT_EQ(seen, c.stops.size());
  EXPECT_TRUE(messages.messages().empty()) << messages.messages().front();
  EXPECT_EQ(window.document().traceSettings().debugLevel, c.levelAfter);
  EXPECT_EQ(window.document().flags().stopRequest.load(), c.stopped);
  EXPECT_EQ(VariableTable::readValue(window.document().readVariable("$A")), c.lastValueOfA);
}

constexpr const char* kResult = "Result to be send to the target application :";

INSTANTIATE_TEST_SUITE_P(
    Levels, DebugDialogTest,
    ::testing::Values(
        DebugCase{"Level1",
                  {"Debug(1)", "$A=1"},
                  {{DebugStage::Executing, "Debug(), Start debuging with level=1.", kResult, 0, kContinue},
                   {DebugStage::BeforeSend, kResult, nullptr, 1, kContinue},
                   {DebugStage::BeforeSend, "Instruction 1, line 2 to execute :", nullptr, 1, kContinue}},
                  1, false, "1"},
        DebugCase{"Level2",
                  {"Debug(2)", "$A=1", "$A=2"},
                  {{DebugStage::Executing, "Debug(), Start debuging with level=2.", nullptr, 0, kContinue},
                   {DebugStage::BeforeExecute, "Instruction 1, line 2 to execute :", "Execute instruction...", 2,
                    kEnd}},
                  0, false, "2"},
        DebugCase{"Level4",
                  {"Debug(4)", "Verbose(0)", "$A=1"},
                  {{DebugStage::Executing, "Debug(), Start debuging with level=4.", nullptr, 0, kContinue},
                   {DebugStage::Executing, "Verbose(), will set the verbose level to 0.", kResult, 4, kStop}},
                  0, true, ""},
        DebugCase{"Level7",
                  {"Debug(7)", "$A=1"},
                  {{DebugStage::Executing, "Debug(), Start debuging with level=7.", nullptr, 0, kContinue},
                   {DebugStage::BeforeSend, kResult, nullptr, 7, kContinue, true}},
                  0, false, "1"}),
    [](const ::testing::TestParamInfo<DebugCase>& info) { return std::string(info.param.name); });

TEST(DebugDialogTextTest, AKeyHeldDownInTheResultIsAnnounced) {
  DebugColumns columns;
  columns.stage = DebugStage::BeforeSend;
  for (const auto& [output, announced] : {std::pair{"\"\\[SHIFT]a\"", true}, std::pair{"\"/[SHIFT]a\"", false}}) {
    columns.output = output;
    EXPECT_EQ(shows(debugTexts(columns), "Debug mode will be suspended until release of all keys."), announced) << output;
  }
}

}  // namespace
}  // namespace qlm
