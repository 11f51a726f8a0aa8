// XlsReadData, XlsWriteData, XlsSave, XlsClose and XlsAutoSave in
// instructions, on the built-in spreadsheet application.
#include <gtest/gtest.h>

#include "../language/LanguageFixture.h"
#include "WorkbookSupport.h"
#include "app/ProgramFunctions.h"
#include "spreadsheet/SpreadsheetFunctions.h"

namespace qlm {
namespace {

using testing::TempFolder;

class SpreadsheetFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSpreadsheetLink();
    doc.setPathName(folder.file("test.qlm"));
    book = testing::copyOfBook(folder, "xlsx");
  }
  void TearDown() override { resetSpreadsheetLink(); }

  Value run(std::string_view text) {
    in.analyse(text);
    Value last;
    for (int k = 1; k <= in.analysis().instructionCount; ++k) last = in.evaluateInstruction(k);
    return last;
  }
  std::vector<std::pair<std::string, std::string>> steps() const {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TraceEvent& event : trace.events()) {
      if (event.kind == TraceStep::InFunction) rows.emplace_back(event.description, event.text);
    }
    return rows;
  }
  std::string onDisk(const char* cell, int sheet = 0) {
    auto saved = Workbook::open(systemFileSystem(), book);
    return saved ? testing::shown(**saved, sheet, *parseCellName(cell)) : saved.error();
  }

  TempFolder folder;
  std::string book;
  MessageLog ui;
  TraceLog trace;
  testing::ManualClock clock;
  Document doc{ui, trace, clock};
  Interpreter in{doc, programFunctionBodies()};
};

TEST_F(SpreadsheetFunctions, WriteReadAndSaveAWorkbookBesideTheDocument) {
  EXPECT_EQ(run(R"(XlsWriteData("book.xlsx",1,"B1","5"))").text, "");
  EXPECT_EQ(run(R"(XlsReadData("book.xlsx",1,"C1"))").text, "10");
  EXPECT_EQ(onDisk("B1"), "42");
  run(R"(XlsSave("book.xlsx"))");
  EXPECT_EQ(onDisk("B1"), "5");
  EXPECT_EQ(run("XlsReadData(\"" + book + "\",2,\"B1\")").text, "second sheet");
  run(R"(XlsAutoSave(1) XlsWriteData("book.xlsx",1,"B1","6"))");
  EXPECT_EQ(onDisk("C1"), "12");
  run(R"(XlsAutoSave(0) XlsWriteData("book.xlsx",1,"B1","7"))");
  EXPECT_EQ(onDisk("B1"), "6");
  EXPECT_TRUE(ui.messages().empty()) << ui.messages().front();
  EXPECT_FALSE(doc.stopRequested());
  using Row = std::pair<std::string, std::string>;
  EXPECT_EQ(steps(), (std::vector<Row>{
                         {"XlsWriteData(), file='book.xlsx', sheet=1, cell='B1', write:", "5"},
                         {"XlsReadData(), file='book.xlsx', sheet=1, cell='C1', read:", "10"},
                         {"XlsReadData(), file='" + book + "', sheet=2, cell='B1', read:", "second sheet"},
                         {"XlsWriteData(), file='book.xlsx', sheet=1, cell='B1', write:", "6"},
                         {"XlsWriteData(), save XLS file because XlsAutoSave(1) has been called.", ""},
                         {"XlsWriteData(), file='book.xlsx', sheet=1, cell='B1', write:", "7"},
                     }));
}

TEST_F(SpreadsheetFunctions, FailuresShowTheirMessagesAndStop) {
  std::ofstream(folder.file("old.xls")) << "binary";
  struct Case {
    std::string instruction;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {R"(XlsReadData("book.xlsx",0,"A1"))", {"Excel function error:\nInvalid sheet number '0'."}},
      {R"(XlsWriteData("missing.xlsx",1,"A1","x"))",
       {"Excel function error:\nFile not available:\n" + folder.file("missing.xlsx"),
        "Excel function error:\nCannot open file 'missing.xlsx'."}},
      {R"(XlsReadData("old.xls",1,"A1"))",
       {"Excel function error:\n'old.xls': .xls workbooks need LibreOffice; save the workbook as .xlsx or .ods"}},
      {R"(XlsReadData("book.xlsx",1,"A0"))",
       {"IDispatch::Invoke(\"Range\"=000000c5) failed w/err 0x80020009", "Excel function error:\nInvalid cell code.",
        "Excel function:\nCannot open cell 'A0'."}},
      {R"(XlsReadData("book.xlsx",3,"A1"))",
       {"IDispatch::Invoke(\"Worksheets\"=000001ee) failed w/err 0x8002000b", "Excel function:\nCannot open cell 'A1'."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.instruction);
    const std::size_t before = ui.messages().size();
    EXPECT_EQ(run(c.instruction).text, "");
    EXPECT_EQ(std::vector(ui.messages().begin() + before, ui.messages().end()), c.messages);
    EXPECT_TRUE(doc.stopRequested());
    doc.flags().stopRequest = false;
  }
}

TEST_F(SpreadsheetFunctions, ASaveRefusedFourTimesIsSilent) {
  std::ofstream(lockFileOf(book)) << "someone,host,user,01.01.2026 00:00,\n";
  run(R"(XlsWriteData("book.xlsx",1,"B1","5"))");
  std::int64_t before = clock.nowMs();
  run(R"(XlsSave("book.xlsx"))");
  EXPECT_EQ(clock.nowMs() - before, 6000);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(doc.stopRequested());
  EXPECT_EQ(onDisk("B1"), "42");
}

TEST_F(SpreadsheetFunctions, EachWorkbookAnswersForItselfUpToTenAtATime) {
  for (int i = 1; i <= 11; ++i) std::ofstream(folder.file(std::to_string(i) + ".csv")) << "book " << i << "\n";
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(run("XlsReadData(\"" + std::to_string(i) + ".csv\",1,\"A1\")").text, "book " + std::to_string(i)) << i;
  }
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(run(R"(XlsReadData("11.csv",1,"A1"))").text, "");
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{
                               "Excel function error:\nToo many workbooks: 10 are in use already; close one with "
                               "XlsClose() first."}));
  run(R"(XlsClose("3.csv"))");
  EXPECT_EQ(run(R"(XlsReadData("11.csv",1,"A1"))").text, "book 11");
}

TEST_F(SpreadsheetFunctions, LibreOfficeAnswersLikeTheBuiltInApplicationAndReadsXls) {
  if (!testing::haveLibreOffice() || std::system("/usr/bin/python3 -c 'import uno' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "LibreOffice or its Python UNO bridge (python3-uno) is not installed";
  }
  ASSERT_TRUE(testing::convertWithLibreOffice(book, "xls", folder));
  std::filesystem::rename(folder.path() / "out/book.xls", folder.path() / "book.xls");
  spreadsheetLink().backend = "libreoffice";
  EXPECT_EQ(run(R"(XlsReadData("book.xls",1,"C2"))").text, "7.1");
  run(R"(XlsWriteData("book.xlsx",1,"B1","5") XlsWriteData("book.xlsx",2,"B1","two  words"))");
  EXPECT_EQ(run(R"(XlsReadData("book.xlsx",1,"C1"))").text, "10");
  EXPECT_EQ(run(R"(XlsReadData("book.xlsx",1,"B2"))").text, "");
  run(R"(XlsSave("book.xlsx"))");
  run(R"(XlsClose("book.xlsx"))");
  EXPECT_TRUE(ui.messages().empty()) << ui.messages().front();
  EXPECT_EQ(onDisk("B1"), "5");
  EXPECT_EQ(onDisk("B1", 1), "two  words");
}

}  // namespace
}  // namespace qlm
