#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "../document/TempFolder.h"
#include "PlaybackFixture.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

using DesktopFunctionsTest = testing::PlaybackTest;

TEST_F(DesktopFunctionsTest, IfWindowRunsTheFoundBranchAndBringsTheWindowForward) {
  WindowId editor = window("Notepad", "notes.txt");
  window("Other", "other");
  EXPECT_EQ(run(R"(IfWindow("notes.txt",2,"yes","no"))").text, "yes");
  EXPECT_EQ(desktop->foregroundWindow(), editor);
  EXPECT_TRUE(traced("IfWindow(), Execution of instruction:", R"("yes")"));
  doc.targetTitle() = "notes.txt";  // an empty title looks for the record's window
  EXPECT_EQ(run(R"(IfWindow("",0,"yes","no"))").text, "yes");
  doc.targetTitle() = "missing";
  EXPECT_EQ(run(R"(IfWindow("",0,"yes","no"))").text, "no");
  doc.setTargetSelector(nullptr);  // IfWindow then uses a selector of its own
  EXPECT_EQ(run(R"(IfWindow("notes.txt",0,"yes","no"))").text, "yes");
}

TEST_F(DesktopFunctionsTest, IfWindowWaitsForAWindowThatAppearsLate) {
  ui.setMainWindowTitle("Quillmote - [demo.qlm]");
  desktop->after(1450, [this] { window("XTerm", "user@host: ~"); });
  EXPECT_EQ(run(R"(IfWindow("user@host: *",5,"yes","no"))").text, "yes");
  EXPECT_EQ(desktop->now(), 1500);
  EXPECT_EQ(ui.titles().at(1), "IfWindow 1/5");
  EXPECT_EQ(ui.titles().back(), "Quillmote - [demo.qlm]");
}

TEST_F(DesktopFunctionsTest, IfWindowGivesUpQuietlyAfterItsTimeAndStopsOnAnInvalidTime) {
  EXPECT_EQ(run(R"(IfWindow("notes.txt",2,"yes","no"))").text, "no");
  EXPECT_EQ(desktop->now(), 2000);
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(doc.stopRequested());
  EXPECT_EQ(run(R"(IfWindow("notes.txt","x","yes","no"))").text, "");
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"x : Invalid number."});
  EXPECT_TRUE(doc.stopRequested());
}

TEST_F(DesktopFunctionsTest, IfProcessFindsASubstringOfAnExecutableNameCheckingEveryHundredMilliseconds) {
  EXPECT_EQ(run(R"(IfProcess("system",1,"yes","no"))").text, "yes");
  EXPECT_EQ(desktop->now(), 0);
  EXPECT_TRUE(traced("IfProcess(), Execution of instruction:", R"("yes")"));
  ui.setMainWindowTitle("Quillmote - [demo.qlm]");
  desktop->after(650, [this] { desktop->addProcess("xterm"); });
  EXPECT_EQ(run(R"(IfProcess("xterm",2,"yes","no"))").text, "yes");
  EXPECT_EQ(desktop->now(), 700);
  EXPECT_EQ(ui.titles().at(1), "IfProcess 0/2");
  EXPECT_EQ(ui.titles().back(), "Quillmote - [demo.qlm]");
  desktop->removeProcess("xterm");
  std::int64_t start = desktop->now();
  EXPECT_EQ(run(R"(IfProcess("xterm",1,"yes","no"))").text, "no");
  EXPECT_EQ(desktop->now() - start, 1100);
  EXPECT_EQ(run(R"(IfProcess("System",0,"yes","no"))").text, "no");  // case matters
}

TEST_F(DesktopFunctionsTest, ShortWaitIsOnePlainSleepALongOneShowsItsProgressAndPausesForTheUser) {
  run("Wait(1000); Wait(-5)");
  EXPECT_EQ(desktop->now(), 1000);
  EXPECT_TRUE(ui.titles().empty());
  ui.setMainWindowTitle("Quillmote - [demo.qlm] Wait");
  std::vector<std::int64_t> pauses;
  in.analyse("Wait(2500)");
  in.setActivityPause([&] { pauses.push_back(desktop->now()); });
  in.evaluateInstruction(1);
  EXPECT_EQ(desktop->now(), 3500);
  EXPECT_EQ(ui.titles(), (std::vector<std::string>{"Quillmote - [demo.qlm] Wait", "Wait 0/2", "Wait 1/2", "Wait 2/2",
                                                   "Quillmote - [demo.qlm]"}));
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 2000), 1);
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 3500), 1);
}

TEST_F(DesktopFunctionsTest, EndKeyEndsAWaitOrAnIfProcessAndStops) {
  desktop->after(1200, [this] { doc.flags().endKey = true; });
  run("Wait(10000)");
  EXPECT_EQ(desktop->now(), 2000);
  EXPECT_TRUE(doc.stopRequested());
  doc.flags().stopRequest = false;
  doc.flags().endKey = false;
  desktop->after(250, [this] { doc.flags().endKey = true; });
  EXPECT_EQ(run(R"(IfProcess("xterm",10,"yes","no"))").text, "");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(desktop->now(), 2300);
}

TEST_F(DesktopFunctionsTest, WaitInactiveRestartsWhileTheUserIsActive) {
  desktop->after(200, [this] { doc.flags().userActive = false; });
  run("WaitInactive(500)");
  EXPECT_EQ(desktop->now(), 1000);
  EXPECT_TRUE(ui.titles().empty());
  desktop->after(1500, [this] { doc.flags().userActive = false; });
  run("WaitInactive(2000)");
  EXPECT_EQ(desktop->now(), 1000 + 4000);
  EXPECT_EQ(ui.titles().at(0), "WaitInactive 0/2");
}
TEST_F(DesktopFunctionsTest, MsgBoxAsksWithOneButtonAndAskOrAsk3RunOnlyTheBranchOfTheAnswer) {
  ui.queueAnswers({1, 1, 2, 3});
  run(R"(MsgBox("Done " & "now"))");
  const Question& q = ui.questions()[0];
  EXPECT_EQ(std::tuple(q.text, q.answers, q.section),
            std::tuple("Done now", std::vector<std::string>{"OK"}, "User Response"));
  EXPECT_EQ(run(R"(Ask("Continue?","Yes","a","No","b"))").text, "a");
  EXPECT_EQ(run(R"(Ask("Continue?","Yes","a","No","b"))").text, "b");
  EXPECT_EQ(ui.questions()[1].answers, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_TRUE(traced("Ask(), Execution of instruction:", R"("b")"));
  run(R"(Ask3("Which?","One",$A="1","Two",$B="2","Three",$C="3"))");  // only the chosen branch runs
  EXPECT_EQ(std::tuple(doc.hasVariable("$A"), doc.hasVariable("$B"), doc.hasVariable("$C")),
            std::tuple(false, false, true));
  EXPECT_EQ(ui.questions()[3].answers, (std::vector<std::string>{"One", "Two", "Three"}));
  EXPECT_TRUE(traced("Ask(), Execution of instruction:", R"($C="3")"));
  trace.clear();
  EXPECT_EQ(run(R"(Ask("Continue?","Yes","a","No","b"))").text, "");  // nobody to answer
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_TRUE(trace.events().empty());
}
TEST_F(DesktopFunctionsTest, SayPlaysTheProgramSoundsOrBeepsAndBeepStopsOnBadNumbers) {
  run(R"(Say("hello"); Say("Ok"); Say("HELP"); Say("bye"))");
  EXPECT_EQ(desktop->sounds(), (std::vector<ProgramSound>{ProgramSound::Hello, ProgramSound::Ok, ProgramSound::Help}));
  run("Beep(440,200)");
  EXPECT_EQ(desktop->beeps(), (std::vector<std::pair<int, int>>{{1000, 100}, {440, 200}}));
  run(R"(Beep("x",200))");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(desktop->beeps().size(), 2u);
}

using ClipboardCase = std::pair<const char*, const char*>;

class ClipboardText : public testing::PlaybackTest, public ::testing::WithParamInterface<ClipboardCase> {};

TEST_P(ClipboardText, LosesOneFinalLineBreak) {
  desktop->setClipboardText(GetParam().first);
  EXPECT_EQ(run("GetClipboard()").text, GetParam().second);
  EXPECT_EQ(desktop->now(), 100);
  EXPECT_TRUE(traced("GetClipboard(), text from clipboard:", GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Endings, ClipboardText,
                         ::testing::Values(ClipboardCase{"abc", "abc"}, ClipboardCase{"abc\r\n", "abc"},
                                           ClipboardCase{"abc\n", "abc"}, ClipboardCase{"a\n\n", "a\n"},
                                           ClipboardCase{"\n", ""}));

TEST_F(DesktopFunctionsTest, GetClipboardWaitsForTextToArriveOrGivesBAndSetClipboardReplacesIt) {
  desktop->after(450, [this] { desktop->setClipboardText("late"); });
  EXPECT_EQ(run("GetClipboard()").text, "late");
  EXPECT_EQ(desktop->now(), 500);
  desktop->setClipboardOther();
  EXPECT_EQ(run("GetClipboard()").text, "b");
  EXPECT_EQ(desktop->now(), 500 + 100 + 20 * 100);
  run(R"(SetClipboard("copied"))");
  EXPECT_EQ(desktop->clipboardText(), "copied");
  EXPECT_TRUE(traced("SetClipboard(), text to copy into clipboard:", "copied"));
}

TEST_F(DesktopFunctionsTest, SystemCmdWaitsUnlessAnAmpersandEndsItAndWorksInTheFolderOfAnAbsoluteProgram) {
  std::string folder;
  desktop->onCommand([&](std::string_view, std::string_view f) {
    folder = f;
    return CommandResult{Outcome::success(), 0};
  });
  run(R"(SystemCmd("xterm -e 'vi /tmp/a b.txt'&"))");
  EXPECT_EQ(desktop->commands(), (std::vector<std::string>{"xterm -e 'vi /tmp/a b.txt'"}));
  EXPECT_TRUE(traced("SystemCmd() will run Windows command 'xterm -e 'vi /tmp/a b.txt''",
                     "and will not wait the end of the command (because '&' ends it)."));
  run(R"(SystemCmd("true"))");
  EXPECT_TRUE(traced("SystemCmd() will run Windows command 'true'",
                     "and will wait the end of the command (because '&' do not end it)."));
  const std::pair<const char*, const char*> commands[] = {
      {"/opt/tools/run.sh -x", "/opt/tools"}, {"/opt/tools/run /tmp/a.txt", "/opt/tools"},
      {"'/opt/my tools/run' -x", "/opt/my tools"}, {"/bin", "/"}, {"run.sh /tmp/a.txt", ""},
      {R"(C:\tools\app.exe /x)", R"(C:\tools)"}};
  for (const auto& [command, expected] : commands) {
    folder = "unset";
    run("SystemCmd(\"" + std::string(command) + "\")");
    EXPECT_EQ(folder, expected) << command;
  }
  EXPECT_FALSE(doc.stopRequested());
}

TEST_F(DesktopFunctionsTest, SystemCmdThatCannotStartOrIsTooLongStopsWithItsMessage) {
  desktop->onCommand([](std::string_view, std::string_view) {
    return CommandResult{Outcome::failure("Permission denied", EACCES), std::nullopt};
  });
  run(R"(SystemCmd("/opt/app"))");
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{"CreateProcess failed (13)\n", "Permission denied"}));
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.raisedCount(), 1);
  doc.flags().stopRequest = false;
  doc.setVariable("$LONG", "\"" + std::string(1000, 'x') + "\"");  // too long: refused
  run("SystemCmd($LONG)");
  EXPECT_EQ(desktop->commands(), std::vector<std::string>{"/opt/app"});
  EXPECT_EQ(lastMessage(), "SystemCmd(): text argument longer than 999 characters.");
  EXPECT_TRUE(doc.stopRequested());
}

// In both texts '@' stands for the test's folder; the words the program received come one a line.
using SplicedCase = std::pair<const char*, const char*>;

std::string atFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + folder.size())) {
    text.replace(at, 1, folder);
  }
  return text;
}

class SplicedIntoSystemCmd : public testing::PlaybackTest, public ::testing::WithParamInterface<SplicedCase> {};

// A file name, clipboard text or cell spliced into a command stays words for
// the program: nothing of it runs, expands or redirects.
TEST_P(SplicedIntoSystemCmd, ReachesTheProgramAsPlainWords) {
  ::qlm::testing::TempFolder temp;
  const std::string folder = temp.path().string();
  platform->processes = makePosixProcesses();
  doc.setVariable("$PROGRAM", "\"sh -c 'for w; do echo \"$w\"; done > " + folder + "/words.txt' sh \"");
  doc.setVariable("$F", "\"" + atFolder(GetParam().first, folder) + "\"");
  run("SystemCmd($PROGRAM&$F)");
  EXPECT_FALSE(doc.stopRequested()) << lastMessage();
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "PWNED"));
  std::ifstream in(temp.path() / "words.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), atFolder(GetParam().second, folder));
}

INSTANTIATE_TEST_SUITE_P(
    Values, SplicedIntoSystemCmd,
    ::testing::Values(SplicedCase{"a;touch @/PWNED;b.txt", "a;touch\n@/PWNED;b.txt\n"},
                      SplicedCase{"$(touch @/PWNED)", "$(touch\n@/PWNED)\n"},
                      SplicedCase{"`touch @/PWNED`", "`touch\n@/PWNED`\n"},
                      SplicedCase{"x && touch @/PWNED", "x\n&&\ntouch\n@/PWNED\n"},
                      SplicedCase{"x | touch @/PWNED", "x\n|\ntouch\n@/PWNED\n"},
                      SplicedCase{"x > @/PWNED", "x\n>\n@/PWNED\n"},
                      SplicedCase{"#1 draft.txt", "#1\ndraft.txt\n"}));

TEST_F(DesktopFunctionsTest, SystemOpenHandsTheNameToTheDesktopAndNetSendDeliversToALoggedInUserOnly) {
  run(R"(SystemOpen("/tmp/report.htm"))");
  EXPECT_EQ(desktop->openedTargets(), (std::vector<std::string>{"/tmp/report.htm"}));
  EXPECT_TRUE(traced("SystemOpen() will open '/tmp/report.htm'.", ""));
  run(R"(NetSend("Backup done","simuser"))");
  ASSERT_EQ(desktop->messages().size(), 1u);
  EXPECT_EQ(std::tuple(desktop->messages()[0].from, desktop->messages()[0].text), std::tuple("QLM", "Backup done"));
  EXPECT_TRUE(traced("NetSend(), will send 'Backup done' to 'simuser'.", ""));
  EXPECT_TRUE(ui.messages().empty());
  run(R"(NetSend("hi","PC-OFFICE"))");
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{"NetSend Error", "Name not found..."}));
  EXPECT_EQ(desktop->messages().size(), 1u);
  EXPECT_FALSE(doc.stopRequested());
}
class WithoutDesktop : public testing::PlaybackTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WithoutDesktop, FunctionSaysItIsNotAvailable) {
  doc.setPlatform(nullptr);
  std::string call = GetParam();
  EXPECT_EQ(run(call).text, "");
  std::string name = call.substr(0, call.find('('));
  EXPECT_EQ(lastMessage(), name + "() is not available on this build.");
  EXPECT_TRUE(doc.stopRequested());
}

INSTANTIATE_TEST_SUITE_P(Functions, WithoutDesktop,
                         ::testing::Values(R"(IfWindow("a",1,"y","n"))", R"(IfProcess("a",1,"y","n"))", "Say(\"ok\")",
                                           "Beep(1,1)", "GetClipboard()", "SetClipboard(\"a\")",
                                           "SystemCmd(\"true\")", "SystemOpen(\"a\")", "NetSend(\"a\",\"b\")",
                                           R"(IfImage(1,"y","n"))", R"(IfShape(1,"y","n"))"));

TEST_F(DesktopFunctionsTest, WaitsAndQuestionsNeedNoDesktop) {
  doc.setPlatform(nullptr);
  ui.queueAnswers({1});
  run(R"(Wait(1500); MsgBox("hi"); SetTitle("Step " & "2"))");
  EXPECT_FALSE(doc.stopRequested());
  EXPECT_EQ(ui.mainWindowTitle(), "Step 2");
  EXPECT_EQ(desktop->now(), 1500);
}

}  // namespace
}  // namespace qlm
