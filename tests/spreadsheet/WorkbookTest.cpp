// The built-in workbooks: what a read shows, what a write changes, and that
// a save keeps the rest of the file and never leaves a damaged one.
#include <gtest/gtest.h>

#include "../document/FaultyFileSystem.h"
#include "WorkbookSupport.h"

namespace qlm {
namespace {

using testing::TempFolder;

using Cell = std::tuple<int, const char*, const char*>;  // sheet, cell, what a read shows

std::unique_ptr<Workbook> openBook(const std::string& path) {
  auto book = Workbook::open(systemFileSystem(), path);
  EXPECT_TRUE(book) << book.error();
  return book ? std::move(*book) : nullptr;
}

void expectCells(Workbook& book, std::initializer_list<Cell> cells) {
  for (const auto& [sheet, name, shown] : cells) {
    EXPECT_EQ(testing::shown(book, sheet, *parseCellName(name)), shown) << sheet + 1 << "!" << name;
  }
}

class PackagedWorkbook : public ::testing::TestWithParam<const char*> {
 protected:
  std::string copy() { return testing::copyOfBook(folder, GetParam()); }
  TempFolder folder;
};

TEST_P(PackagedWorkbook, ReadsWhatTheSpreadsheetShows) {
  auto book = openBook(copy());
  ASSERT_TRUE(book);
  EXPECT_EQ(book->sheetCount(), 2);
  expectCells(*book, {{0, "A1", "Name"}, {0, "b1", "42"}, {0, "C1", "84"}, {0, "A2", "0.1"}, {0, "B2", ""},
                      {0, "C2", "7.1"}, {0, "$B$1:C2", "42"}, {0, "Z999", ""}, {1, "A1", "7"},
                      {1, "B1", "second sheet"}});
}

// What another program sees is checked with LibreOffice where it is installed.
TEST_P(PackagedWorkbook, WritesComputeDependentFormulasAndSurviveTheSave) {
  std::string path = copy();
  auto book = openBook(path);
  ASSERT_TRUE(book);
  book->write(0, {0, 1}, "5");
  book->write(1, {0, 0}, "100");
  book->write(0, {4, 3}, " two  words, \"quoted\"");
  expectCells(*book, {{0, "B1", "5"}, {0, "C1", "10"}, {0, "C2", "100.1"}});
  book->write(0, {1, 2}, "replaced formula");
  expectCells(*book, {{0, "C2", "replaced formula"}});
  book->write(0, {1, 2}, "");
  ASSERT_TRUE(book->save(systemFileSystem()));

  auto again = openBook(path);
  ASSERT_TRUE(again);
  expectCells(*again, {{0, "A1", "Name"}, {0, "B1", "5"}, {0, "C1", "10"}, {0, "C2", ""},
                       {0, "D5", " two  words, \"quoted\""}, {1, "A1", "100"}, {1, "B1", "second sheet"}});
  if (!testing::haveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed: saved workbooks are not checked with it";
  ASSERT_TRUE(testing::convertWithLibreOffice(path, "csv", folder));
  ASSERT_TRUE(testing::convertWithLibreOffice(path, "fods", folder));
  EXPECT_EQ(testing::fileText(folder.path() / "out/book-Data.csv"),
            "Name,5,10,\n0.1,,,\n,,,\n,,,\n,,,\" two  words, \"\"quoted\"\"\"\n");
  EXPECT_EQ(testing::fileText(folder.path() / "out/book-Second.csv"), "100,second sheet\n");
  std::string flat = testing::fileText(folder.path() / "out/book.fods");
  EXPECT_NE(flat.find("fo:font-weight=\"bold\""), std::string::npos);
  EXPECT_NE(flat.find("table:formula=\"of:=[.B1]*2\""), std::string::npos);
}

TEST_P(PackagedWorkbook, SaveLeavesTheOldOrTheNewWorkbookWhateverWriteFails) {
  for (bool crash : {false, true}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(crash ? "crash" : "failure") + " at write " + std::to_string(n));
      std::string path = copy();
      auto book = openBook(path);
      ASSERT_TRUE(book);
      book->write(0, {0, 1}, "5");
      testing::FaultyFileSystem fs({.failWrite = n, .crash = crash});
      bool saved = static_cast<bool>(book->save(fs));
      auto after = openBook(path);
      ASSERT_TRUE(after);
      std::string value = testing::shown(*after, 0, {0, 1}) + "/" + testing::shown(*after, 0, {0, 2});
      EXPECT_TRUE(value == "5/10" || (!saved && value == "42/84")) << value;
      if (!fs.faulted()) break;
      ASSERT_LT(n, 50);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PackagedWorkbook, ::testing::Values("xlsx", "ods"));

TEST(CsvWorkbook, ReadsAndWritesOneSheetKeepingQuotedFields) {
  TempFolder folder;
  std::string path = folder.file("data.csv");
  std::ofstream(path) << "name,amount\n\"Smith, John\",12.50\n\"say \"\"hi\"\"\",7\n";
  auto book = openBook(path);
  ASSERT_TRUE(book);
  expectCells(*book, {{0, "A2", "Smith, John"}, {0, "B2", "12.5"}, {0, "A3", "say \"hi\""}, {0, "C1", ""}});
  book->write(0, {2, 1}, "8");
  book->write(0, {3, 0}, "a,b");
  ASSERT_TRUE(book->save(systemFileSystem()));
  EXPECT_EQ(testing::fileText(path), "name,amount\n\"Smith, John\",12.50\n\"say \"\"hi\"\"\",8\n\"a,b\"\n");

  auto damaged = openBook(std::string(QLM_TEST_DATA_DIR) + "/corrupt/unterminated-quote.csv");
  ASSERT_TRUE(damaged);
  EXPECT_EQ(testing::shown(*damaged, 0, {1, 0}), "Smith, Joh\x10\x94,12.50\n");
}

TEST(Workbook, DamagedFilesAreRefusedOrChangedSafely) {
  TempFolder folder;
  std::ofstream(folder.file("damaged.xlsx")) << "PK not really a package";
  std::ofstream(folder.file("old.xls")) << "binary";
  for (const char* name : {"damaged.xlsx", "old.xls", "missing.ods"}) {
    EXPECT_FALSE(Workbook::open(systemFileSystem(), folder.file(name))) << name;
  }
  auto styles = openBook(std::string(QLM_TEST_DATA_DIR) + "/corrupt/style-in-wrong-family.ods");
  ASSERT_TRUE(styles);
  EXPECT_TRUE(styles->write(0, {0, 0}, "1"));
}

TEST(WorkbookNumbers, AreShownInTheirShortestFormAndReadBack) {
  const std::pair<double, const char*> shown[] = {{42, "42"}, {0.1, "0.1"}, {-2.5, "-2.5"}, {1e20, "1e+20"},
                                                  {1.0 / 3, "0.3333333333333333"}, {-0.0, "0"}};
  for (const auto& [number, text] : shown) {
    SCOPED_TRACE(text);
    EXPECT_EQ(numberText(number), text);
    EXPECT_EQ(numberFromText(text), number);
  }
  for (const char* text : {"", "12a", "inf", "nan", "1,5", " 1", "-", "e5"}) EXPECT_FALSE(numberFromText(text)) << text;
}

}  // namespace
}  // namespace qlm
