// The record list over a real document file: its rows and cells, the
// columns the settings hide, edits written into the file or refused, and the
// record commands.
#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>
#include <cstdio>

#include "UiSupport.h"
#include "ui/DocumentView.h"
#include "ui/MainWindow.h"
#include "ui/RecordListModel.h"

namespace qlm {
namespace {

using testing::instructionsInFile;
using testing::recordInFile;
using testing::RecordSpec;

// `qlm show FILE LINE`: what another program reads back from the file.
std::string qlmShow(const std::string& path, int line) {
  std::string command = std::string(QLM_TOOL) + " show '" + path + "' " + std::to_string(line) + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

std::array<std::uint8_t, RecordImage::kCapturedEventSize> keyEvent(int virtualKey, int message) {
  std::array<std::uint8_t, RecordImage::kCapturedEventSize> event{};
  event[0] = 1;
  event[4] = static_cast<std::uint8_t>(virtualKey);
  event[16] = static_cast<std::uint8_t>(message & 0xFF);
  event[17] = static_cast<std::uint8_t>(message >> 8);
  return event;
}

std::vector<RecordSpec> threeRecords() {
  return {{.instruction = "\"a\"", .adjust = [](RecordImage& r) {
             r.set(IntField::MinWait, 1500);
             r.setText(TextField::Created, "261205172033");
             r.setCapturedEvent(keyEvent(13, 256));
           }},
          {.instruction = "\"b\"", .play = 0, .adjust = [](RecordImage& r) {
             r.set(IntField::ConditionLevel, 2);
             r.set(IntField::Erase, 1);
             r.set(IntField::Shift, 0);
             r.setText(TextField::Kind, "S");
           }},
          {.instruction = "\"c\"", .play = 0, .adjust = [](RecordImage& r) {
             r.set(IntField::ConditionLevel, 7);
             r.set(IntField::Ctrl, 1);
             r.setText(TextField::Kind, "C");
             r.setCapturedEvent(keyEvent(0x41, 0x123));
           }}};
}

class RecordListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::writeDocument(path, threeRecords());
    openWindow();
  }

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
  std::string path = folder.file("list.qlm");
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
  // Every cell of each row, the columns joined with "|".
  const char* const rows[] = {
      "1|||05/12/2026  17:20 33s|XTerm|typed|  1.50|\"a\"|Aucune|  7.00|V[RETURN]|Other||xterm| | | | ",
      "2|||00/00/2000  00:00 00s|XTerm|typed|  0.10|\"b\"|PostAction si [Forme] trouvée|  7.00|/[SHIFT]|Other||xterm| | | |X",
      "3|||00/00/2000  00:00 00s|XTerm|typed|  0.10|\"c\"|???|  7.00|\\[CTRL]|Other||xterm|X| | | "};
  for (int row = 0; row < 3; ++row) {
    QStringList cells;
    for (int column = 0; column < model().columnCount(); ++column) cells << cell(row, static_cast<Column>(column));
    EXPECT_EQ(cells.join('|').toStdString(), rows[row]);
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
  RecordImage before = recordInFile(path, 0);
  EXPECT_FALSE(edit(0, Column::Instruction, "\"Hello\"&("));
  EXPECT_EQ(messages.messages(), std::vector<std::string>{"Invalid syntax :\nUnrecognized characters in red."});
  EXPECT_EQ(recordInFile(path, 0).bytes(), before.bytes());
  EXPECT_EQ(cell(0, Column::Instruction), "\"a\"");
}

TEST_F(RecordListTest, AcceptedEditsAreInTheFile) {
  const std::tuple<Column, const char*, const char*> cases[] = {  // column, typed, shown by `qlm show`
      {Column::Instruction, "\"Hello\"&\"V[RETURN]\"", "\"Hello\"&\"V[RETURN]\""},
      {Column::Instruction, "IfImage(3,\"a\",\"b\")", "analysis     condition 3"},
      {Column::MinWait, "1.5", "wait 1500..7000 ms"},
      {Column::MinWait, "abc", "wait 0..7000 ms"},
      {Column::MaxWait, "2.25", "wait 0..2250 ms"},
      {Column::MaxWait, "1e300", "wait 0..2147483647 ms"},
      {Column::Title, "Other window", "Other window"},
      {Column::Comment, "a comment", "a comment"},
  };
  for (const auto& [column, typed, shown] : cases) {
    SCOPED_TRACE(typed);
    EXPECT_TRUE(edit(0, column, QString::fromUtf8(typed)));
    EXPECT_NE(qlmShow(path, 1).find(shown), std::string::npos) << qlmShow(path, 1);
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
