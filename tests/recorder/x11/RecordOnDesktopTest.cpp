// qlm record on the virtual desktop while xdotool types and clicks into a
// real xterm, on several keyboard layouts; then the recorded document played
// into a fresh xterm of the same title.
#include <gtest/gtest.h>
#include <signal.h>

#include "../../platform/x11/X11Fixture.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using namespace testing;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::DesktopEnvironment);

using Program = testing::Client;

struct LayoutCase {
  const char* layout;
  const char* typed;     // UTF-8, only characters that the layout has keys for
  const char* recorded;  // Windows-1252, quotes doubled
};
void PrintTo(const LayoutCase& layout, std::ostream* out) { *out << layout.layout; }

class RecordOnDesktopTest : public ::testing::TestWithParam<LayoutCase> {
protected:
  void SetUp() override {
    ASSERT_TRUE(SharedDesktop::platform());
    display = SharedDesktop::desktop()->display();
    document = scratchFile(std::string(GetParam().layout) + ".qlm");
    output = scratchFile(std::string(GetParam().layout) + ".out");
    std::filesystem::remove(document);
  }
  void TearDown() override {
    run({"setxkbmap", "us"});
    std::filesystem::remove(document);
    std::filesystem::remove(output);
  }

  int run(std::vector<std::string> arguments) {
    return Program(std::move(arguments), display).waitForExit(20s).value_or(-1);
  }
  std::unique_ptr<Program> qlm(const std::string& arguments) {
    std::filesystem::remove(output);
    return std::make_unique<Program>(
        std::vector<std::string>{"sh", "-c", "exec '" QLM_BINARY "' " + arguments + " > '" + output.string() + "' 2>&1"},
        display);
  }
  std::unique_ptr<Program> terminal(const std::string& title, const std::filesystem::path& typed) {
    std::filesystem::remove(typed);
    auto xterm = std::make_unique<Program>(
        std::vector<std::string>{"xterm", "-geometry", "80x20+60+60", "-T", title, "-e", "sh", "-c",
                                 "stty -icanon -echo; exec cat > '" + typed.string() + "'"},
        display);
    Windows& windows = *SharedDesktop::platform()->windows;
    WindowId window = kNoWindow;
    waitFor([&] { return (window = windows.findWindow(std::nullopt, title)) != kNoWindow; }, 20s);
    EXPECT_NE(window, kNoWindow);
    windows.setForeground(window);
    waitFor([&] { return windows.foreground() == window; });
    std::this_thread::sleep_for(300ms);
    return xterm;
  }

  std::vector<RecordImage> records() {
    Snapshot reader;
    std::vector<RecordImage> result;
    if (!reader.openForReading(document.string())) return result;
    for (int i = 0; i < reader.count(); ++i) {
      if (reader.readRecord(i) == 0) result.push_back(reader.record());
    }
    return result;
  }

  std::string display;
  std::filesystem::path document;
  std::filesystem::path output;
};

// The recorded instructions joined, quotes and Shift notations taken out: what was typed.
std::string typedText(const std::vector<RecordImage>& records, const std::string& title) {
  std::string text;
  for (const RecordImage& record : records) {
    std::string instruction = record.text(TextField::Instruction);
    if (record.kind() == '1' || record.kind() == '2' || record.kind() == 'M') continue;
    EXPECT_EQ(record.text(TextField::WindowTitle), title) << instruction;
    if (instruction.size() >= 2) text += instruction.substr(1, instruction.size() - 2);
  }
  for (std::string_view shift : {"\\[SHIFT]", "/[SHIFT]"}) {
    for (std::size_t at; (at = text.find(shift)) != std::string::npos;) text.erase(at, shift.size());
  }
  return text;
}

TEST_P(RecordOnDesktopTest, TypingAndAClickIntoAnXtermPlayBackIntoAFreshOne) {
  const std::string title = std::string("qlm recorded ") + GetParam().layout;
  ASSERT_EQ(run({"setxkbmap", GetParam().layout}), 0);
  auto typedFile = scratchFile(std::string(GetParam().layout) + ".typed");
  Rect area;
  {
    auto xterm = terminal(title, typedFile);
    auto recorder = qlm("record '" + document.string() + "'");
    ASSERT_TRUE(waitFor([&] { return readFile(output).find("Recording... Stop recording with the end key: V[END]\n") != std::string::npos; }, 10s))
        << readFile(output);
    ASSERT_EQ(run({"xdotool", "type", "--delay", "40", GetParam().typed}), 0);
    ASSERT_EQ(run({"xdotool", "key", "Return"}), 0);
    Windows& windows = *SharedDesktop::platform()->windows;
    WindowId window = windows.findWindow(std::nullopt, title);
    area = windows.rect(window).value_or(Rect{});
    std::string x = std::to_string((area.left + area.right) / 2), y = std::to_string((area.top + area.bottom) / 2);
    ASSERT_TRUE(waitFor([&] {
      run({"xdotool", "mousemove", x, y});
      return windows.windowUnderPointer() == window;
    }));
    ASSERT_EQ(run({"xdotool", "click", "1"}), 0);
    ASSERT_EQ(run({"xdotool", "key", "End"}), 0);
    ASSERT_EQ(recorder->waitForExit(20s), 0) << readFile(output);
    // The end key reaches the xterm too: the X server only lets us watch.
    EXPECT_TRUE(waitFor([&] { return readFile(typedFile).starts_with(std::string(GetParam().typed) + "\n"); }))
        << readFile(typedFile);
  }

  std::vector<RecordImage> made = records();
  ASSERT_GE(made.size(), 4u) << readFile(output);
  // The lines it names are those of the document after the clean-up.
  std::string printed = readFile(output);
  ASSERT_EQ(qlm("list '" + document.string() + "'")->waitForExit(20s), 0);
  EXPECT_TRUE(printed.ends_with("Recorded:\n" + readFile(output))) << printed << "qlm list:\n" << readFile(output);
  EXPECT_EQ(typedText(made, title), std::string(GetParam().recorded) + "V[RETURN]") << printed;
  const RecordImage& click = made.back();
  EXPECT_EQ(click.kind(), 'M');
  EXPECT_EQ(click.text(TextField::Instruction), "\"V[LBUTTON]\"");
  EXPECT_EQ(click.text(TextField::WindowTitle), title);
  EXPECT_EQ(click.text(TextField::Process), "xterm");
  // The picture is the xterm's: its size is the window's.
  EXPECT_EQ(click.window().width, area.width());
  EXPECT_EQ(click.window().height, area.height());
  {
    auto replay = scratchFile(std::string(GetParam().layout) + ".replayed");
    auto xterm = terminal(title, replay);
    ASSERT_EQ(run({QLM_BINARY, "set", document.string(), "2", "play=0"}), 0);
    auto player = qlm("play '" + document.string() + "' /close");
    EXPECT_EQ(player->waitForExit(60s), 0) << readFile(output);
    EXPECT_TRUE(waitFor([&] { return readFile(replay) == std::string(GetParam().typed) + "\n"; }))
        << "replayed: " << readFile(replay);
    std::filesystem::remove(replay);
  }
  std::filesystem::remove(typedFile);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordOnDesktopTest,
                         ::testing::Values(LayoutCase{"us", "Hi, \"Bob\" 42!", "Hi, \"\"Bob\"\" 42!"},
                                           LayoutCase{"de", "yz \xc3\xa4\xc3\x9f @", "yz \xe4\xdf @"},
                                           LayoutCase{"fr", "azqw \xc3\xa9\xc3\xa8 @", "azqw \xe9\xe8 @"}),
                         [](const auto& info) { return std::string(info.param.layout); });

class KilledRecorderTest : public RecordOnDesktopTest {};

// Crash-safe appends: whatever ends the recorder, the document holds every record made so far.
// SIGINT and SIGTERM stop the way the end key does: the typing not yet recorded is kept.
TEST_P(KilledRecorderTest, LeavesADocumentWithEveryRecordMade) {
  for (int number : {SIGKILL, SIGTERM, SIGINT}) {
    SCOPED_TRACE(number);
    std::filesystem::remove(document);
    auto typedFile = scratchFile("killed.typed");
    auto xterm = terminal("qlm killed " + std::to_string(number), typedFile);
    auto recorder = qlm("record '" + document.string() + "'");
    ASSERT_TRUE(waitFor([&] { return readFile(output).find("Recording...") != std::string::npos; }, 10s)) << readFile(output);
    ASSERT_EQ(run({"xdotool", "type", "--delay", "20", "abc"}), 0);
    ASSERT_EQ(run({"xdotool", "key", "Return"}), 0);
    ASSERT_TRUE(waitFor([&] { return readFile(output).find("\"abcV[RETURN]\"") != std::string::npos; }, 10s))
        << readFile(output);
    ASSERT_EQ(run({"xdotool", "type", "--delay", "20", "xyz"}), 0);
    std::this_thread::sleep_for(300ms);
    kill(recorder->pid(), number);
    const std::optional<int> status = recorder->waitForExit(10s);
    EXPECT_EQ(run({QLM_BINARY, "check", document.string()}), 0);
    std::vector<std::string> instructions;
    for (const RecordImage& record : records()) instructions.push_back(record.text(TextField::Instruction));
    EXPECT_NE(std::find(instructions.begin(), instructions.end(), "\"abcV[RETURN]\""), instructions.end());
    if (number != SIGKILL) {
      EXPECT_EQ(status, 0) << readFile(output);
      EXPECT_EQ(instructions.back(), "\"xyz\"") << readFile(output);
    }
    std::filesystem::remove(typedFile);
  }
}

INSTANTIATE_TEST_SUITE_P(Killed, KilledRecorderTest, ::testing::Values(LayoutCase{"us", "", ""}),
                         [](const auto& info) { return std::string(info.param.layout); });

TEST(RecordCommandTest, ExitsWithTwoAndTheReasonWhenRecordingCannotStart) {
  auto folder = scratchFile("folder.qlm");
  std::filesystem::create_directories(folder);
  auto output = scratchFile("refused.out");
  const std::tuple<std::string, std::string, const char*> cases[] = {  // display, document, reason

      {"", scratchFile("new.qlm").string(), "DISPLAY is not set"},
      {SharedDesktop::desktop()->display(), scratchFile("notes.txt").string(), "is not a .qlm document."},
      {SharedDesktop::desktop()->display(), folder.string(), "Is a directory"},
  };
  for (const auto& [display, document, reason] : cases) {
    SCOPED_TRACE(reason);
    Program qlm({"sh", "-c", "exec '" QLM_BINARY "' record '" + document + "' > '" + output.string() + "' 2>&1"}, display);
    EXPECT_EQ(qlm.waitForExit(20s), 2);
    EXPECT_NE(readFile(output).find(reason), std::string::npos) << readFile(output);
    EXPECT_FALSE(std::filesystem::exists(document) && std::filesystem::is_regular_file(document));
  }
  std::filesystem::remove_all(folder);
  std::filesystem::remove(output);
}

}  // namespace
}  // namespace qlm
