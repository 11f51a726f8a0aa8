#include <gtest/gtest.h>

#include "../imaging/DesktopDocument.h"
#include "TraceParsing.h"
#include "trace/TraceImages.h"

namespace qlm {
namespace {

using namespace testing;

constexpr std::string_view kDefaultTemplate = "LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET";

class TraceFileTest : public testing::DesktopDocumentTest {
 protected:
  void traceTo(const std::string& name, int level, std::string rowTemplate = std::string(kDefaultTemplate)) {
    TraceSettings& settings = doc.traceSettings();
    settings.traceLevel = level;
    settings.rowTemplate = std::move(rowTemplate);
    settings.traceFileName = folder.file(name);
  }
  void report(int kind, int line, int instruction, std::string description, std::string text) {
    doc.trace().traceEvent({static_cast<TraceStep>(kind), line, instruction, std::move(description), std::move(text)});
  }
  void instruction(int line, std::string text, std::string output) {
    report(1, line, 1, {}, std::move(text));
    report(3, line, 1, {}, "\"" + output + "\"");
  }
  std::vector<std::string> lines(const std::string& name) { return crlfLines(readText(folder.file(name))); }

  // A picture of width x height, black but for a 120 x 80 pattern at (dx, dy)
  // that the marks can be checked against.
  static Picture pattern(int width = 120, int height = 80, int dx = 0, int dy = 0) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(picture.pixelBytes(), 0);
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 120; ++x) {
        std::uint8_t* pixel = picture.rowFromTop(y + dy) + 4 * (x + dx);
        pixel[0] = static_cast<std::uint8_t>(x * 2);
        pixel[1] = static_cast<std::uint8_t>(y * 3);
        pixel[2] = 90;
      }
    }
    return picture;
  }

  void recordWithImage(const std::string& text) {
    addRecord(
        {.instruction = text, .imageArea = {30, 20, 50, 35}, .click = {60, 40}, .conditionLevel = 3, .clickFlag = 2},
        pattern());
    load();
    doc.records().setCurrentRecord(0);
  }
};

TEST_F(TraceFileTest, AnXlsTraceStartsWithThePageHeadAndASecondPlaybackAddsOnlyAHeaderLine) {
  traceTo("t.xls", 1);
  instruction(1, R"(If($A<5,"a","b"))", "x&y");
  std::vector<std::string> text = lines("t.xls");
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[0] + "\r\n", tracePageHead());
  EXPECT_TRUE(text[1].starts_with("<TABLE><TR><TD class=xLnum ><B>LNUM.INUM</B></TD><TD class=xInstruction >"));
  EXPECT_EQ(htmlCells(text[2]),
            (std::vector<std::string>{"1.1", "If($A&lt;5,&quot;a&quot;,&quot;b&quot;)", "Execute instruction...",
                                      "Execution ended.", "-", "-", "&quot;x&amp;y&quot;",
                                      "Mode=-1, Apps=<BR>Title="}));
  EXPECT_EQ(doc.openTraceRequest(), folder.file("t.xls"));
  doc.resetVariables();
  traceTo("t.xls", 1);
  instruction(1, "\"c\"", "c");
  text = lines("t.xls");
  ASSERT_EQ(text.size(), 5u);
  EXPECT_EQ(text[3], text[1]);
}

TEST_F(TraceFileTest, FunctionStepsWriteRowsOnlyAtLevelTwoAndKeepTheInstructionsNumbers) {
  traceTo("one.csv", 1);
  report(1, 3, 2, {}, "SetVar($X,1)");
  report(2, 0, 0, "Value of variable $X change:", "From  to 1");
  EXPECT_EQ(lines("one.csv").size(), 0u);
  traceTo("two.csv", 2);
  report(2, 0, 0, "Value of variable $X change:", "From  to 1");
  std::vector<std::string> text = lines("two.csv");
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(text[0], kDefaultTemplate);
  EXPECT_EQ(text[1], "3.2;SetVar($X,1);Value of variable $X change:;From  to 1;-;-;;Mode=-1, Apps=<BR>Title=");
  doc.traceSettings().traceLevel = 0;  // stops the rows and leaves the file alone
  instruction(2, "b", "b");
  EXPECT_EQ(lines("two.csv").size(), 2u);
}

TEST_F(TraceFileTest, TheHtmFormEmbedsBothPicturesWithTheRedMarksInTheirPixels) {
  recordWithImage("IfImage(3,\"V[LBUTTON]\",\"\")");
  // The live screen shows the stored picture 40 right and 10 down.
  doc.captureBuffer().slot().setCapture(pattern(200, 130, 40, 10));
  doc.foundPosition() = {70, 30};
  traceTo("img.htm", 1);
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  std::vector<std::string> text = lines("img.htm");
  ASSERT_EQ(text.size(), 3u);
  std::vector<Picture> pictures = testing::embeddedPictures(text[2]);
  ASSERT_EQ(pictures.size(), 2u);
  const Picture& recorded = pictures[0];
  // The image area and the click with a margin of 25: origin (5, -5), 81 x 71.
  ASSERT_EQ(std::pair(recorded.width, recorded.height), std::pair(81, 71));
  // Red: the frame's corners and solid top edge, the cross from 10 left of the click
  // to 10 right of it with that pixel left out, the dotted line from the centre.
  // Untouched: inside the frame and, black, above the stored picture.
  std::vector<std::uint32_t> colours;
  for (auto [x, y] : {std::pair{25, 25}, {44, 39}, {35, 25}, {45, 45}, {64, 45}, {55, 35}, {34, 32}, {65, 45}, {30, 30},
                      {10, 2}}) {
    colours.push_back(testing::rgbAt(recorded, x, y));
  }
  EXPECT_EQ(colours, (std::vector<std::uint32_t>{kMarkRed, kMarkRed, kMarkRed, kMarkRed, kMarkRed, kMarkRed, kMarkRed,
                                                 0x5A788C, 0x5A4B46, 0}));
  // Cut over the found image, the live picture shows the same.
  EXPECT_EQ(pictures[1].pixels, recorded.pixels);
}

TEST_F(TraceFileTest, ALiveImageNotFoundIsSaidSoOneAtTheLeftEdgeIsShownAndOtherRowsShowNone) {
  recordWithImage("IfImage(3,\"V[LBUTTON]\",\"\")");
  doc.captureBuffer().slot().setCapture(pattern(200, 130));
  doc.foundPosition() = {-2, -2};
  traceTo("img.htm", 1, "ISELECTED;IFOUND");
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  doc.foundPosition() = {0, 20};
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  instruction(1, "\"text\"", "text");
  const std::vector<std::string> text = lines("img.htm");
  ASSERT_EQ(text.size(), 5u);
  std::vector<std::string> cells = htmlCells(text[2]);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_TRUE(cells[0].starts_with("<img src=data:image/bmp;base64,Qk"));
  EXPECT_TRUE(cells[0].ends_with(" alt=Base64 encoded image />"));
  EXPECT_EQ(cells[1], "Not found");
  EXPECT_EQ(testing::embeddedPictures(text[3]).size(), 2u);
  EXPECT_EQ(htmlCells(text[4]), (std::vector<std::string>{"-", "-"}));
}

TEST_F(TraceFileTest, AFileThatCannotBeWrittenIsReportedOnceAndPlaybackGoesOn) {
  traceTo("missing/t.htm", 1);
  instruction(1, "a", "a");
  instruction(2, "b", "b");
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_NE(ui.messages()[0].find("missing/t.htm"), std::string::npos);
  EXPECT_TRUE(doc.openTraceRequest().empty());
}

TEST_F(TraceFileTest, APlaybackTracesItsImageSearchAndAsksToOpenTheFile) {
  const Rect rect = Rect::fromSize(100, 100, 160, 120);
  WindowId window = paintedWindow(rect);
  desktop->paintWindow(window, Rect::fromSize(30, 40, 20, 12), 0xC02020);
  const std::string tracePath = folder.file("run.htm");
  addRecord({.instruction = "Trace(1,\"\",\"" + tracePath + "\")"}, *desktop->capture(rect));
  addRecord({.instruction = "IfImage(2,\"V[LBUTTON]\",\"\")", .imageArea = {28, 38, 52, 54}, .click = {40, 45},
             .conditionLevel = 3, .clickFlag = 2},
            *desktop->capture(rect));
  load();
  desktop->moveWindow(window, Rect::fromSize(200, 150, 160, 120));

  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_EQ(host.opened, tracePath);
  std::vector<std::string> text = lines("run.htm");
  ASSERT_EQ(text.size(), 4u);
  std::vector<std::string> row = htmlCells(text[3]);
  ASSERT_EQ(row.size(), 8u);
  EXPECT_EQ(row[0] + " " + row[7], "2.1 Mode=3, Apps=Painter<BR>Title=pattern");
  std::vector<Picture> pictures = testing::embeddedPictures(text[3]);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[1].pixels, pictures[0].pixels);
  EXPECT_EQ(desktop->clicks(window).size(), 1u);
}

}  // namespace
}  // namespace qlm
