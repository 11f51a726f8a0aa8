#include <gtest/gtest.h>

#include "../imaging/DesktopDocument.h"
#include "TraceParsing.h"
#include "trace/TraceImages.h"

namespace qlm {
namespace {

using testing::colourAt;
using testing::crlfLines;
using testing::htmlCells;
using testing::kMarkRed;
using testing::occurrences;
using testing::readText;

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

  // A stored picture with a pattern the marks can be checked against.
  static Picture storedPicture() {
    Picture picture;
    picture.width = 120;
    picture.height = 80;
    picture.pixels.assign(picture.pixelBytes(), 0);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        std::uint8_t* pixel = picture.rowFromTop(y) + 4 * x;
        pixel[0] = static_cast<std::uint8_t>(x * 2);
        pixel[1] = static_cast<std::uint8_t>(y * 3);
        pixel[2] = 90;
      }
    }
    return picture;
  }

  // The stored picture placed at (dx, dy) on a black screen picture.
  static Picture shifted(const Picture& source, int dx, int dy) {
    Picture screen;
    screen.width = 200;
    screen.height = 130;
    screen.pixels.assign(screen.pixelBytes(), 0);
    for (int y = 0; y < source.height; ++y) {
      std::copy_n(source.rowFromTop(y), 4 * source.width, screen.rowFromTop(y + dy) + 4 * dx);
    }
    return screen;
  }

  void recordWithImage(const std::string& text) {
    testing::RecordSpec spec;
    spec.instruction = text;
    spec.imageArea = {30, 20, 50, 35};
    spec.click = {60, 40};
    spec.conditionLevel = 3;
    spec.clickFlag = 2;
    addRecord(spec, storedPicture());
    load();
    doc.records().setCurrentRecord(0);
  }
};

TEST_F(TraceFileTest, AnXlsTraceStartsWithThePageHeadAndAHeaderLine) {
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
}

TEST_F(TraceFileTest, ASecondPlaybackAddsAHeaderLineButNoSecondPageHead) {
  traceTo("t.htm", 1);
  instruction(1, "\"a\"", "a");
  instruction(2, "\"b\"", "b");
  doc.resetVariables();
  traceTo("t.htm", 1);
  instruction(1, "\"c\"", "c");
  const std::string text = readText(folder.file("t.htm"));
  EXPECT_EQ(occurrences(text, "<html>"), 1);
  EXPECT_EQ(occurrences(text, "<TABLE>"), 2);
  EXPECT_EQ(crlfLines(text).size(), 6u);
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
}

TEST_F(TraceFileTest, TraceZeroStopsTheRowsAndLeavesTheFileAlone) {
  traceTo("t.csv", 1);
  instruction(1, "a", "a");
  const std::string before = readText(folder.file("t.csv"));
  doc.traceSettings().traceLevel = 0;
  instruction(2, "b", "b");
  EXPECT_EQ(readText(folder.file("t.csv")), before);
}

TEST_F(TraceFileTest, TheHtmFormEmbedsBothPicturesWithTheRedMarksInTheirPixels) {
  recordWithImage("IfImage(3,\"V[LBUTTON]\",\"\")");
  // The live screen shows the stored picture 40 right and 10 down.
  doc.captureBuffer().slot().setCapture(shifted(storedPicture(), 40, 10));
  doc.foundPosition() = {70, 30};
  traceTo("img.htm", 1);
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  std::vector<std::string> text = lines("img.htm");
  ASSERT_EQ(text.size(), 3u);
  std::vector<Picture> pictures = testing::embeddedPictures(text[2]);
  ASSERT_EQ(pictures.size(), 2u);
  const Picture& recorded = pictures[0];
  // The image area and the click with a margin of 25: origin (5, -5), 81 x 71.
  ASSERT_EQ(recorded.width, 81);
  ASSERT_EQ(recorded.height, 71);
  EXPECT_EQ(colourAt(recorded, 25, 25), kMarkRed);  // frame corners
  EXPECT_EQ(colourAt(recorded, 44, 39), kMarkRed);
  EXPECT_EQ(colourAt(recorded, 35, 25), kMarkRed);  // solid top edge
  EXPECT_EQ(colourAt(recorded, 30, 30), (testing::Colour{90, 25 * 3, 35 * 2}));  // inside, untouched
  EXPECT_EQ(colourAt(recorded, 45, 45), kMarkRed);  // cross from 10 left of the click
  EXPECT_EQ(colourAt(recorded, 64, 45), kMarkRed);
  EXPECT_NE(colourAt(recorded, 65, 45), kMarkRed);  // to 10 right, that pixel left out
  EXPECT_EQ(colourAt(recorded, 55, 35), kMarkRed);
  EXPECT_EQ(colourAt(recorded, 34, 32), kMarkRed);  // dotted line from the centre
  EXPECT_EQ(colourAt(recorded, 10, 2), (testing::Colour{}));  // above the stored picture
  // Cut over the found image, the live picture shows the same.
  EXPECT_EQ(pictures[1].pixels, recorded.pixels);
}

TEST_F(TraceFileTest, ALiveImageNotFoundIsSaidSoAndOneAtTheLeftEdgeIsShown) {
  recordWithImage("IfImage(3,\"V[LBUTTON]\",\"\")");
  doc.captureBuffer().slot().setCapture(shifted(storedPicture(), 0, 0));
  doc.foundPosition() = {-2, -2};
  traceTo("img.htm", 1, "ISELECTED;IFOUND");
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  doc.foundPosition() = {0, 20};
  instruction(1, "IfImage(3,\"V[LBUTTON]\",\"\")", "");
  const std::vector<std::string> text = lines("img.htm");
  ASSERT_EQ(text.size(), 4u);
  std::vector<std::string> cells = htmlCells(text[2]);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_TRUE(cells[0].starts_with("<img src=data:image/bmp;base64,Qk"));
  EXPECT_TRUE(cells[0].ends_with(" alt=Base64 encoded image />"));
  EXPECT_EQ(cells[1], "Not found");
  EXPECT_EQ(testing::embeddedPictures(text[3]).size(), 2u);
}
TEST_F(TraceFileTest, RowsWithoutSearchOrClickCarryNoPictures) {
  recordWithImage("\"text\"");
  traceTo("img.htm", 1, "ISELECTED;IFOUND");
  instruction(1, "\"text\"", "text");
  EXPECT_EQ(htmlCells(lines("img.htm")[2]), (std::vector<std::string>{"-", "-"}));
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
  testing::RecordSpec first;
  first.instruction = "Trace(1,\"\",\"" + tracePath + "\")";
  addRecord(first, *desktop->capture(rect));
  testing::RecordSpec second;
  second.instruction = "IfImage(2,\"V[LBUTTON]\",\"\")";
  second.imageArea = {28, 38, 52, 54};
  second.click = {40, 45};
  second.conditionLevel = 3;
  second.clickFlag = 2;
  addRecord(second, *desktop->capture(rect));
  load();
  desktop->moveWindow(window, Rect::fromSize(200, 150, 160, 120));

  EXPECT_EQ(play(), PlaybackEnd::Completed);
  EXPECT_EQ(host.opened, tracePath);
  std::vector<std::string> text = lines("run.htm");
  ASSERT_EQ(text.size(), 4u);
  std::vector<std::string> row = htmlCells(text[3]);
  ASSERT_EQ(row.size(), 8u);
  EXPECT_EQ(row[0], "2.1");
  EXPECT_EQ(row[7], "Mode=3, Apps=Painter<BR>Title=pattern");
  std::vector<Picture> pictures = testing::embeddedPictures(text[3]);
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[1].pixels, pictures[0].pixels);
  EXPECT_EQ(desktop->clicks(window).size(), 1u);
}

}  // namespace
}  // namespace qlm
