#include <gtest/gtest.h>

#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

// Each row runs on from the rows before it: every instruction sets its value in full.
TEST_F(FunctionTest, SettingFunctionsStoreTheirVariableAndReportIt) {
  const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
      {"SetColorTol(50)", "$QLM_COLORTOL", "50",
       "SetColorTol(), will set 50% color tolerance for IfImage() & IfShape() functions."},
      {"SetColorTol(-5)", "$QLM_COLORTOL", "0",
       "SetColorTol(), will set 0% color tolerance for IfImage() & IfShape() functions."},
      {"SetPixelTol(150)", "$QLM_PIXELTOL", "100",
       "SetPixelTol(), will set 100% pixel tolerance for IfImage() & IfShape() functions."},
      {"SetMouseSpeed(150)", "$QLM_MOUSE_SPEED", "0", "SetMouseSpeed(), will set mouse speed to 100%."},
      {"SetMouseSpeed(-1)", "$QLM_MOUSE_SPEED", "100", "SetMouseSpeed(), will set mouse speed to 0%."},
      {"SetKeySpeed(70)", "$QLM_KEY_SPEED", "30", "SetKeySpeed(), will set key speed to 70%."},
      {"SetKeyMode(1)", "$QLM_KEY_MODE", "1", "SetKeyMode(1), keys will be send using the clipboard."},
      {"SetKeyMode(5)", "$QLM_KEY_MODE", "5", "SetKeyMode(1), keys will be send using the clipboard."},
      {"SetKeyMode(0)", "$QLM_KEY_MODE", "0", "SetKeyMode(0), keys will be send one by one."},
      {"AppWait(-3)", "$QLM_MAX_WAIT_WIN", "0",
       "AppWait(), now Quillmote will wait for the target application up to 0 seconds."},
      {"AppWait(10)", "$QLM_MAX_WAIT_WIN", "10000",
       "AppWait(), now Quillmote will wait for the target application up to 10 seconds."}};
  for (const auto& [instruction, variable, value, description] : rows) {
    SCOPED_TRACE(instruction);
    trace.clear();
    EXPECT_EQ(run(instruction).text, "");
    EXPECT_EQ(stored(variable), value);
    ASSERT_EQ(stepEvents().size(), 1u);
    EXPECT_EQ(stepEvents()[0].description + stepEvents()[0].text, description);
  }
  EXPECT_EQ(doc.settings().windowWaitSeconds, 10);
  EXPECT_FALSE(doc.stopRequested());
}

using SettingFunctions = FunctionTest;

TEST_F(SettingFunctions, InvalidNumbersStopAndChangeNothing) {
  for (const char* instruction : {R"(SetColorTol("x"))", R"(SetMouseSpeed("x"))", R"(SetKeyMode("x"))",
                                  R"(AppWait("x"))", R"(SetWaitOnMouseMove("x"))"}) {
    SCOPED_TRACE(instruction);
    EXPECT_EQ(run(instruction).text, "");
  }
  EXPECT_EQ(stored("$QLM_COLORTOL") + " " + stored("$QLM_MOUSE_SPEED") + " " + stored("$QLM_KEY_MODE") + " " +
                stored("$QLM_MAX_WAIT_WIN"),
            "0 40 0 3000");
  EXPECT_TRUE(stepEvents().empty());
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages().size(), 5u);
}

TEST_F(SettingFunctions, AppForegroundSetsModeAndSelection) {
  const std::tuple<const char*, int, std::vector<bool>, const char*, const char*> rows[] = {
      {"AppForeground(7,2)", 2, {false, false, true},
       "AppForeground(2,x), Target application will always be put at foreground.",
       "AppForeground(x,2), Select target application with application title."},
      {"AppForeground(0,1)", 0, {false, true, true},
       "AppForeground(0,x), Target application will never be put at foreground",
       "AppForeground(x,1), Select target application with title AND application name."},
      {"AppForeground(1,3)", 1, {false, true, false},
       "AppForeground(1,x), Target apps will be put at foreground before to run each instruction",
       "AppForeground(x,3), Select target application with application name."},
      {"AppForeground(-1,9)", 2, {true, true, true},
       "AppForeground(2,x), Target application will always be put at foreground.",
       "AppForeground(x,0), Select target application with title OR application name."}};
  for (const auto& [instruction, mode, selection, description, text] : rows) {
    SCOPED_TRACE(instruction);
    trace.clear();
    run(instruction);
    const PlaybackSettings& s = doc.settings();
    EXPECT_EQ(s.foregroundMode, mode);
    EXPECT_EQ((std::vector<bool>{s.selectEither, s.selectByClass, s.selectByTitle}), selection);
    EXPECT_TRUE(hasStep(description, text));
  }
  EXPECT_FALSE(doc.stopRequested());
}

TEST_F(SettingFunctions, AppForegroundWithAnInvalidModeStillSetsTheSelectionButAnInvalidSelectionEnds) {
  run("AppForeground(0,0)");
  run(R"(AppForeground("x",2))");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(doc.settings().foregroundMode, 0);
  EXPECT_FALSE(doc.settings().selectByClass);
  EXPECT_TRUE(hasStep("AppForeground(0,x), Target application will never be put at foreground",
                      "AppForeground(x,2), Select target application with application title."));
  trace.clear();
  doc.flags().stopRequest = false;
  run(R"(AppForeground(1,"x"))");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(doc.settings().foregroundMode, 1);
  EXPECT_FALSE(doc.settings().selectEither);  // as AppForeground(x,2) left it
  EXPECT_TRUE(stepEvents().empty());
}

struct ResizeCase {
  std::string before, instruction;
  int mode, width, height, x, y;
  bool stops;
  std::string description;
};

void PrintTo(const ResizeCase& c, std::ostream* os) { *os << c.before << c.instruction; }

class AppResizeCases : public FunctionTest, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(AppResizeCases, SetsTheResizeAndReports) {
  const ResizeCase& c = GetParam();
  if (!c.before.empty()) run(c.before);
  run(c.instruction);
  const PlaybackSettings& s = doc.settings();
  EXPECT_EQ(std::vector<int>({s.resizeMode, s.resizeWidth, s.resizeHeight, s.resizeX, s.resizeY}),
            std::vector<int>({c.mode, c.width, c.height, c.x, c.y}));
  EXPECT_EQ(doc.stopRequested(), c.stops);
  EXPECT_EQ(ui.messages().size(), c.stops ? 1u : 0u);
  EXPECT_TRUE(hasStep(c.description, ""));
}

INSTANTIATE_TEST_SUITE_P(
    All, AppResizeCases,
    ::testing::Values(
        ResizeCase{"", "AppResize(3,50,50,10,10)", 3, 100, 100, 10, 10, false,
                   "AppResize(3,..), Target application will be resized and moved as specified."},
        ResizeCase{"", R"(AppResize(2,800,"x",5,5))", 2, 800, -1, -1, -1, true,
                   "AppResize(2,..), Target application will be resized as specified."},
        ResizeCase{"AppResize(1,300,300,0,0)", R"(AppResize("x",800,600,1,1))", 0, 300, 300, 0, 0, true,
                   "AppResize(0,..), Target application will not be resized or moved."},
        ResizeCase{"", "AppResize(7,200,200,0,0)", 7, 200, 200, 0, 0, false, ""}));

TEST_F(SettingFunctions, VerboseAndDebugClampAndReportAndAnInvalidDebugLevelEndsIt) {
  run("Verbose(9)");
  EXPECT_EQ(doc.traceSettings().verboseLevel, 7);
  EXPECT_TRUE(hasStep("Verbose(), will set the verbose level to 7.", ""));
  run(R"(Verbose("x"))");
  EXPECT_EQ(doc.traceSettings().verboseLevel, 0);
  EXPECT_TRUE(doc.stopRequested());
  trace.clear();
  run(R"(Debug("x"))");
  EXPECT_TRUE(stepEvents().empty());
  doc.flags().stopRequest = false;
  run("Debug(12)");
  EXPECT_EQ(doc.traceSettings().debugLevel, 7);
  run("Debug(0)");
  EXPECT_EQ(doc.traceSettings().debugLevel, 0);
  run("Debug(0)");
  run("Debug(2)");
  run(R"(Debug("x"))");
  EXPECT_EQ(doc.traceSettings().debugLevel, 0);
  std::vector<std::string> descriptions;
  for (const TraceEvent& e : stepEvents()) descriptions.push_back(e.description);
  EXPECT_EQ(descriptions, (std::vector<std::string>{"Debug(), Start debuging with level=7.", "Debug(), End debuging.",
                                                    "Debug(), Start debuging with level=2.", "Debug(), End debuging."}));
  EXPECT_TRUE(doc.stopRequested());
}
constexpr const char* kDefaultTemplate = "LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET";

// The instruction, then the level, row template and file name it leaves.
class TraceCases : public FunctionTest,
                   public ::testing::WithParamInterface<std::tuple<const char*, int, std::string, std::string>> {};

TEST_P(TraceCases, StoresTheTraceSettings) {
  doc.setPathName("/home/u/doc.qlm");
  run(std::get<0>(GetParam()));
  const TraceSettings& t = doc.traceSettings();
  EXPECT_EQ(std::tuple(std::get<0>(GetParam()), t.traceLevel, t.rowTemplate, t.traceFileName), GetParam());
  EXPECT_FALSE(doc.stopRequested());
}

INSTANTIATE_TEST_SUITE_P(
    All, TraceCases,
    ::testing::Values(std::tuple(R"(Trace(1,"","trace.csv"))", 1, kDefaultTemplate, "/home/u/trace.csv"),
                      std::tuple(R"(Trace(5,"A;B","/tmp/x.txt"))", 2, "A;B", "/tmp/x.htm"),
                      std::tuple(R"(Trace(2,"","/tmp/x.html"))", 2, kDefaultTemplate, "/tmp/x.htm"),
                      std::tuple(R"(Trace(1,"",""))", 1, kDefaultTemplate, "/home/u/doc.htm"),
                      std::tuple(R"(Trace(1,"","/tmp/"))", 1, kDefaultTemplate, "/tmp/doc.htm"),
                      std::tuple(R"(Trace(1,"",".xls"))", 1, kDefaultTemplate, "/home/u/doc.xls"),
                      std::tuple(R"(Trace(1,"","out."))", 1, kDefaultTemplate, "/home/u/out.htm"),
                      std::tuple(R"(Trace(1,"","out.HTM"))", 1, kDefaultTemplate, "/home/u/out.htm"),
                      std::tuple(R"(Trace(1,"","C:\t\r.csv"))", 1, kDefaultTemplate, "C:\\t\\r.csv"),
                      std::tuple(R"(Trace(1,"","/a.b/log"))", 1, kDefaultTemplate, "/a.b/log.htm"),
                      std::tuple(R"(Trace(0,"A","x.csv"))", 0, "", "")));

TEST_F(SettingFunctions, TraceKeepsAnEarlierTemplateAndBelowOneOrInvalidOnlyTurnsTheTraceOff) {
  run(R"(Trace(1,"A;B",""))");
  run(R"(Trace(1,"",""))");
  EXPECT_EQ(doc.traceSettings().rowTemplate, "A;B");
  EXPECT_EQ(doc.traceSettings().traceFileName, "trace.htm");  // no document path
  for (const char* level : {"-1", "\"x\""}) {
    SCOPED_TRACE(level);
    run(R"(Trace(2,"A","/tmp/t.csv"))");
    run("Trace(" + std::string(level) + R"(,"B","/tmp/u.csv"))");
    EXPECT_EQ(doc.traceSettings().traceLevel, 0);
    EXPECT_EQ(doc.traceSettings().rowTemplate, "A");
    EXPECT_EQ(doc.traceSettings().traceFileName, "/tmp/t.csv");
  }
  EXPECT_TRUE(doc.stopRequested());
}

TEST_F(SettingFunctions, SetEndKeyTakesAKeyOfTheTableOrFallsBackToEnd) {
  EXPECT_EQ(run(R"(SetEndKey("V[F12]"))").text, "");
  EXPECT_EQ(std::pair(doc.endKey().notation, doc.endKey().virtualKey.load()), std::pair(std::string("V[F12]"), 123));
  EXPECT_TRUE(hasStep("SetEndKey(), End key has been changed to:", "V[F12]"));
  trace.clear();
  run(R"(SetEndKey("nonsense"))");
  EXPECT_EQ(std::pair(doc.endKey().notation, doc.endKey().virtualKey.load()), std::pair(std::string("V[END]"), 35));
  ASSERT_EQ(stepEvents().size(), 2u);
  EXPECT_EQ(stepEvents()[0].description + stepEvents()[0].text, "SetEndKey(), unknown key:nonsense");
  EXPECT_EQ(stepEvents()[1].text, "V[END]");
  EXPECT_FALSE(doc.stopRequested());
}
}  // namespace
}  // namespace qlm::functiontest
