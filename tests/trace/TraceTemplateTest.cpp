#include "trace/TraceTemplate.h"

#include <gtest/gtest.h>

#include "TraceParsing.h"
#include "language/VariableTable.h"

namespace qlm {
namespace {

constexpr std::string_view kDefault = "LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET";

std::string joined(const std::vector<RowPiece>& pieces) {
  std::string text;
  for (const RowPiece& piece : pieces) {
    text += piece.image == ImageCell::Selected ? "[S]" : piece.image == ImageCell::Found ? "[F]" : piece.text;
  }
  return text;
}

RowValues someValues() {
  RowValues values;
  values.line = 4;
  values.instruction = 2;
  values.instructionText = R"(If($A<5,"a;b"))";
  values.desc1 = "two\r\nlines";
  values.output = "\"x&y\"";
  values.targetModeLine = "Mode=3, Apps=XTerm";
  values.targetTitleLine = "Title=a<b";
  return values;
}

TEST(TracePageHead, HoldsTheSevenStyleRulesInOrderAndTheTitle) {
  const std::string& head = tracePageHead();
  EXPECT_TRUE(head.starts_with("<html><head><style id=TableTrace_Styles ><!--table {mso-displayed-decimal-separator:"
                               "\"\\,\"; mso-displayed-thousand-separator:;}"));
  EXPECT_TRUE(head.ends_with("--></style></head><body><div id=TableTrace align=center ><H2>Quillmote Trace</H2>\r\n"));
  EXPECT_NE(head.find(" .xGREY {padding-top:1px;padding-right:1px;padding-left:1px;mso-number-format:\"\\@\";"
                      "mso-ignore:padding;color:windowtext;font-size:10.0pt;font-weight:400;font-style:normal;"
                      "text-decoration:none;font-family:Arial;mso-generic-font-family:auto;mso-font-charset:0;"
                      "mso-number-format:General;text-align:left;vertical-align:bottom;border:.5pt solid windowtext;"
                      "background:#CCCCCC;mso-pattern:auto none;white-space:nowrap;}"),
            std::string::npos);
  std::size_t last = 0;
  for (std::string_view rule : {" .xGREY {", " .xWHITE {", " .xLnum {", " .xInum {", " .xInstruction {",
                                " .xDesc1 {", " .xOutput {"}) {
    SCOPED_TRACE(rule);
    std::size_t at = head.find(rule);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, last);
    last = at;
  }
  EXPECT_EQ(head.find("\r\n"), head.size() - 2);
}

TEST(TraceHeaderLine, NamesTheColumnsInBoldWithTheClassesOfTheirFirstToken) {
  EXPECT_EQ(traceHeaderLine(kDefault, TraceForm::Spreadsheet),
            "<TABLE><TR><TD class=xLnum ><B>LNUM.INUM</B></TD><TD class=xInstruction ><B>INSTRUCTION</B></TD>"
            "<TD class=xDesc1 ><B>DESC1</B></TD><TD class=xDesc1 ><B>DESC2</B></TD>"
            "<TD class=xGREY ><B>ISELECTED</B></TD><TD class=xGREY ><B>IFOUND</B></TD>"
            "<TD class=xOutput ><B>OUTPUT</B></TD><TD class=xOutput ><B>TARGET</B></TD></TR>");
  EXPECT_EQ(traceHeaderLine("INUM;x LNUM;$A", TraceForm::Html),
            "<TABLE><TR><TD class=xInum ><B>INUM</B></TD><TD class=xGREY ><B>x LNUM</B></TD>"
            "<TD class=xGREY ><B>$A</B></TD></TR>");
  EXPECT_EQ(traceHeaderLine("say \"hi\";LNUM", TraceForm::Csv), "\"say \"\"hi\"\"\";LNUM");
}

struct RowCase {
  std::string_view rowTemplate;
  TraceForm form;
  std::string_view row;
  bool withoutOutput = false;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.rowTemplate; }

class TraceRow : public ::testing::TestWithParam<RowCase> {};

// Inserted values are never read as tokens again: the instruction holds "$A", $X holds "OUTPUT $X".
TEST_P(TraceRow, FillsTheTemplateForItsForm) {
  VariableTable variables;
  variables.set("$A", "\"one\"");
  variables.set("$AB", "\"two\"");
  variables.set("$X", "\"OUTPUT $X\"");
  RowValues values = someValues();
  values.variables = &variables;
  if (GetParam().withoutOutput) values.output.clear();
  EXPECT_EQ(joined(traceRow(GetParam().rowTemplate, GetParam().form, values)), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TraceRow,
    ::testing::Values(
        RowCase{kDefault, TraceForm::Html,
                "<TR><TD class=xLnum >4.2</TD><TD class=xInstruction >If($A&lt;5,&quot;a;b&quot;)</TD>"
                "<TD class=xDesc1 >two\r\nlines</TD><TD class=xWHITE >&nbsp;</TD><TD class=xGREY >[S]</TD>"
                "<TD class=xGREY >[F]</TD><TD class=xOutput >&quot;x&amp;y&quot;</TD>"
                "<TD class=xOutput >Mode=3, Apps=XTerm<BR>Title=a&lt;b</TD></TR>"},
        RowCase{"OUTPUT;x", TraceForm::Spreadsheet,
                "<TR><TD class=xWHITE >&nbsp;</TD><TD class=xGREY >x</TD></TR>", true},
        RowCase{"ISELECTED;IFOUND after", TraceForm::Spreadsheet,
                "<TR><TD class=xGREY >-</TD><TD class=xGREY >- after</TD></TR>"},
        RowCase{"IFOUND after", TraceForm::Html, "<TR><TD class=xGREY >[F] after</TD></TR>"},
        RowCase{"ISELECTED;IFOUND", TraceForm::Csv, "-;-"},
        // CSV quotes cells that would break their row.
        RowCase{"LNUM.INUM;INSTRUCTION;OUTPUT;DESC1;TARGET", TraceForm::Csv,
                "4.2;\"If($A<5,\"\"a;b\"\")\";\"\"\"x&y\"\"\";\"two\r\nlines\";Mode=3, Apps=XTerm<BR>Title=a<b"},
        RowCase{"$AB;$A;$ABC", TraceForm::Html,
                "<TR><TD class=xGREY >&nbsp;two</TD><TD class=xGREY >&nbsp;one</TD>"
                "<TD class=xGREY >&nbsp;twoC</TD></TR>"},
        RowCase{"$AB;$X", TraceForm::Csv, "\"&nbsp;two\";\"&nbsp;OUTPUT $X\""}));

TEST(TraceCsv, KeepsFormulasText) {
  const std::pair<const char*, const char*> cells[] = {
      {R"c(=HYPERLINK("http://x","y"))c", R"c("'=HYPERLINK(""http://x"",""y"")")c"},
      {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"}, {"-2+3", "'-2+3"}, {"@SUM(A1)", "'@SUM(A1)"}, {"\t=1", "'\t=1"},
      {"-5", "-5"}, {"-2.5", "-2.5"}, {"-", "-"}};
  for (const auto& [value, written] : cells) {
    SCOPED_TRACE(value);
    RowValues values = someValues();
    values.desc2 = value;
    EXPECT_EQ(joined(traceRow("DESC2", TraceForm::Csv, values)), written);
    EXPECT_EQ(joined(traceRow("DESC2", TraceForm::Html, values)).find('\''), std::string::npos);
  }
}

}  // namespace
}  // namespace qlm
