// The record list over a real document file: its rows and cells, the
// columns the settings hide, edits written into the file or refused, and the
// record commands.
#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>

#include "UiSupport.h"
#include "language/Lexer.h"
#include "language/SyntaxChecker.h"
#include "ui/DocumentView.h"
#include "ui/MainWindow.h"
#include "ui/RecordListModel.h"

namespace qlm {
namespace {

using testing::instructionsInFile;
using testing::recordInFile;
using testing::RecordSpec;

std::array<std::uint8_t, RecordImage::kCapturedEventSize> keyEvent(int virtualKey, int message) {
  std::array<std::uint8_t, RecordImage::kCapturedEventSize> event{};
  event[0] = 1;
  event[4] = static_cast<std::uint8_t>(virtualKey);
  event[16] = static_cast<std::uint8_t>(message & 0xFF);
  event[17] = static_cast<std::uint8_t>(message >> 8);
  return event;
}

std::vector<RecordSpec> threeRecords() {
  return {
      {.instruction = "\"a\"", .adjust = [](RecordImage& r) {
         r.set(IntField::MinWait, 1500);
         r.setText(TextField::Created, "261205172033");
         auto event = keyEvent(13, 256);
         r.setCapturedEvent(event);
       }},
      {.instruction = "\"b\"", .play = 0, .adjust = [](RecordImage& r) {
         r.set(IntField::ConditionLevel, 2);
         r.set(IntField::Erase, 1);
         r.setText(TextField::Kind, "S");
         r.set(IntField::Shift, 0);
       }},
      {.instruction = "\"c\"", .play = 0, .adjust = [](RecordImage& r) {
         r.set(IntField::ConditionLevel, 7);
         r.setText(TextField::Kind, "C");
         r.set(IntField::Ctrl, 1);
         auto event = keyEvent(0x41, 0x123);
         r.setCapturedEvent(event);
       }},
  };
}

class RecordListTest : public ::testing::Test {
 protected:
  void SetUp() override { openWindow(); }

  void openWindow() {
    window.reset();
    window = std::make_unique<MainWindow>(*sim.platform, messages);
    ASSERT_TRUE(window->openDocument(QString::fromStdString(path)));
  }
  RecordListModel& model() { return window->model(); }
  QString cell(int row, Column column) {
    return model().data(model().index(row, static_cast<int>(column)), Qt::DisplayRole).toString();
  }
  bool edit(int row, Column column, const QString& text) {
    return model().setData(model().index(row, static_cast<int>(column)), text, Qt::EditRole);
  }

  testing::TempFolder folder;
  std::string path = [this] {
    std::string file = folder.file("list.qlm");
    testing::writeDocument(file, threeRecords());
    return file;
  }();
  testing::SimServices sim;
  MessageLog messages;
  std::unique_ptr<MainWindow> window;
};

TEST_F(RecordListTest, RowsColumnsAndCellsOfARealDocument) {
  QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(model().rowCount(), 3);
  EXPECT_EQ(model().columnCount(), 18);
  EXPECT_EQ(model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8("N°"));
  EXPECT_EQ(model().headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(),
            QString("Command=\"Text\"&Function()&..;..;.."));
  struct Case {
    int row;
    Column column;
    const char* text;
  };
  const Case cases[] = {
      {1, Column::Number, "2"},
      {0, Column::Instruction, "\"a\""},
      {0, Column::MinWait, "  1.50"},
      {0, Column::DayHour, "05/12/2026  17:20 33s"},
      {0, Column::Condition, "Aucune"},
      {1, Column::Condition, "PostAction si [Forme] trouvée"},
      {2, Column::Condition, "???"},
      {0, Column::Event, "V[RETURN]"},
      {1, Column::Event, "/[SHIFT]"},
      {2, Column::Event, "\\[CTRL]"},
      {1, Column::Erase, "X"},
      {0, Column::Erase, " "},
      {0, Column::Title, "typed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.row) + "/" + std::to_string(static_cast<int>(c.column)));
    EXPECT_EQ(cell(c.row, c.column), QString::fromUtf8(c.text));
  }
  auto background = [&](int row) {
    return model().data(model().index(row, 7), Qt::BackgroundRole).value<QBrush>().color();
  };
  EXPECT_EQ(background(0), QColor(255, 255, 255));
  EXPECT_EQ(background(1), QColor(230, 230, 230));
}

TEST_F(RecordListTest, WidthsFromTheSettingsAndZeroHides) {
  QTableView& list = window->list();
  EXPECT_FALSE(list.isColumnHidden(static_cast<int>(Column::Title)));
  EXPECT_EQ(list.columnWidth(static_cast<int>(Column::Title)), 170);
  EXPECT_TRUE(list.isColumnHidden(static_cast<int>(Column::Who)));

  sim.desktop->machineValues()["TITLE_COLSIZE"] = "0";
  sim.desktop->machineValues()["WHO_COLSIZE"] = "77";
  openWindow();
  EXPECT_TRUE(window->list().isColumnHidden(static_cast<int>(Column::Title)));
  EXPECT_FALSE(window->list().isColumnHidden(static_cast<int>(Column::Who)));
  EXPECT_EQ(window->list().columnWidth(static_cast<int>(Column::Who)), 77);
}

TEST_F(RecordListTest, InstructionWithSyntaxErrorIsRefusedAndNothingWritten) {
  const std::string wrong = "\"Hello\"&(";
  AnalysisState state;
  analyse(wrong, 0, 0, state);
  SyntaxResult expected = checkSyntax(state);
  ASSERT_FALSE(expected.ok);

  RecordImage before = recordInFile(path, 0);
  EXPECT_FALSE(edit(0, Column::Instruction, QString::fromStdString(wrong)));
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0], expected.message);
  EXPECT_EQ(recordInFile(path, 0).bytes(), before.bytes());
  EXPECT_EQ(cell(0, Column::Instruction), "\"a\"");
}

TEST_F(RecordListTest, AcceptedEditsAreInTheFile) {
  struct Case {
    Column column;
    const char* typed;
    const char* shown;  // in `qlm show`
  };
  const Case cases[] = {
      {Column::Instruction, "\"Hello\"&\"V[RETURN]\"", "\"Hello\"&\"V[RETURN]\""},
      {Column::Instruction, "IfImage(3,\"a\",\"b\")", "analysis     condition 3"},
      {Column::MinWait, "1.5", "wait 1500..7000 ms"},
      {Column::MinWait, "abc", "wait 0..7000 ms"},
      {Column::MaxWait, "2.25", "wait 0..2250 ms"},
      {Column::MaxWait, "1e300", "wait 0..2147483647 ms"},
      {Column::Title, "Other window", "Other window"},
      {Column::Comment, "a comment", "a comment"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_TRUE(edit(0, c.column, QString::fromUtf8(c.typed)));
    EXPECT_NE(testing::qlmShow(path, 1).find(c.shown), std::string::npos) << testing::qlmShow(path, 1);
  }
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(RecordListTest, RecordCommandsActOnTheFile) {
  using Names = std::vector<std::string>;
  struct Case {
    const char* name;
    int current;
    std::function<bool(RecordListModel&)> command;
    Names after;
  };
  const Case cases[] = {
      {"delete", 1, [](RecordListModel& m) { return m.deleteCurrent(); }, {"\"a\"", "\"c\""}},
      {"move up", 1, [](RecordListModel& m) { return m.moveCurrent(-1); }, {"\"b\"", "\"a\"", "\"c\""}},
      {"move down", 1, [](RecordListModel& m) { return m.moveCurrent(1); }, {"\"a\"", "\"c\"", "\"b\""}},
      {"copy", 1, [](RecordListModel& m) { return m.copyCurrent(); }, {"\"a\"", "\"b\"", "\"b\"", "\"c\""}},
      {"move the first up", 0, [](RecordListModel& m) { return !m.moveCurrent(-1); }, {"\"a\"", "\"b\"", "\"c\""}},
      {"move the last down", 2, [](RecordListModel& m) { return !m.moveCurrent(1); }, {"\"a\"", "\"b\"", "\"c\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::writeDocument(path, threeRecords());
    openWindow();
    window->selectRow(c.current);
    EXPECT_TRUE(c.command(model()));
    EXPECT_EQ(instructionsInFile(path), c.after);
    EXPECT_EQ(model().rowCount(), static_cast<int>(c.after.size()));
    // The record acted on stays selected where it went.
    EXPECT_EQ(window->list().currentIndex().row(), window->document().records().currentRecord());
    EXPECT_EQ(window->view().row(), window->document().records().currentRecord());
  }
  EXPECT_TRUE(messages.messages().empty());
}

TEST_F(RecordListTest, PlayedRecordIsDeletedOnlyAfterItsPlayMarkIsCleared) {
  window->selectRow(0);
  EXPECT_FALSE(model().deleteCurrent());
  EXPECT_EQ(messages.messages(), std::vector<std::string>{"In order to delete this record you must disable the play flag."});
  EXPECT_EQ(instructionsInFile(path).size(), 3u);

  QTableView& list = window->list();
  list.resize(900, 300);
  QRect play = list.visualRect(model().index(0, static_cast<int>(Column::Play)));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, play.center());
  EXPECT_EQ(recordInFile(path, 0).get(IntField::Play), 0);
  EXPECT_TRUE(model().deleteCurrent());
  EXPECT_EQ(instructionsInFile(path), (std::vector<std::string>{"\"b\"", "\"c\""}));
}

}  // namespace
}  // namespace qlm
