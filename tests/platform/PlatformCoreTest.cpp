#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../document/TempFolder.h"
#include "platform/IniFile.h"
#include "platform/TextEncoding.h"
#include "platform/UsLayout.h"
#include "platform/VirtualKeys.h"
#include "platform/posix/PosixParts.h"
#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

TEST(IniFile, ReadsEntriesWithoutRegardToCaseAndMachineValuesOutsideSections) {
  IniFile ini("; comment\r\n[Playback]\r\nWaitIfMouseMoves = 250\r\n[Other]\r\nx=1\r\n");
  using Found = std::optional<std::string>;
  EXPECT_EQ((std::vector<Found>{ini.get("playback", "waitifmousemoves"), ini.get("Other", "x"), ini.get("Playback", "x"),
                                ini.get("Missing", "x")}),
            (std::vector<Found>{"250", "1", std::nullopt, std::nullopt}));
  IniFile machine("ATT1=300\n[SOFTWARE\\Quillmote]\nATT2=9000\n");
  EXPECT_EQ((std::vector<Found>{machine.getAnywhere("ATT1"), machine.getAnywhere("att2"), machine.getAnywhere("ATT3")}),
            (std::vector<Found>{"300", "9000", std::nullopt}));
}
TEST(IniFile, WritesInPlaceKeepingCommentsAndAddsSections) {
  IniFile ini("# keep me\n[Playback]\nA=1\n\n[Z]\nB=2\n");
  ini.set("Playback", "A", "5");
  ini.set("Playback", "C", "7");
  ini.set("New", "D", "line\nbreak");
  EXPECT_EQ(ini.text(), "# keep me\n[Playback]\nA=5\nC=7\n\n[Z]\nB=2\n[New]\nD=line break\n");
}

TEST(IniSettings, MissingEntriesAreWrittenBackWithTheirDefaults) {
  testing::TempFolder temp;
  const std::filesystem::path folder = temp.path();
  auto settings = makeIniSettings(folder / "Quillmote" / "Quillmote.ini", folder / "none.conf");
  EXPECT_EQ(settings->profileInt("Playback", "WaitIfMouseMoves", 0), 0);
  EXPECT_EQ(settings->profileInt("Playback", "WaitIfWindowNotResponding", 15000), 15000);
  std::ifstream in(folder / "Quillmote" / "Quillmote.ini");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[Playback]\nWaitIfMouseMoves=0\nWaitIfWindowNotResponding=15000\n");
  EXPECT_EQ(settings->machineInt("ATT1", 100), 100);
}

TEST(IniSettings, MachineValuesOfAnotherTypeGiveTheDefault) {
  testing::TempFolder temp;
  std::ofstream(temp.path() / "quillmote.conf") << "ATT1=250\nATT2=soon\nPOST_TXT_OK=checked\n";
  auto settings = makeIniSettings(temp.path() / "user.ini", temp.path() / "quillmote.conf");
  EXPECT_EQ(std::tuple(settings->machineInt("ATT1", 100), settings->machineInt("ATT2", 7000),
                       settings->machineText("POST_TXT_OK", "")),
            std::tuple(250, 7000, "checked"));
}

TEST(UserSettingsPath, FollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(userSettingsPath(), std::filesystem::path("/tmp/cfg/Quillmote/Quillmote.ini"));
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

PlatformResult failing() { return {nullptr, "no display"}; }

TEST(SelectPlatform, FirstEntryUnlessOverriddenAndNoSilentFallback) {
  const PlatformEntry table[] = {{"x11", failing}, {"sim", createSimPlatform}};
  EXPECT_EQ(selectPlatform(table, "").message, "no display");
  auto sim = selectPlatform(table, "sim");
  EXPECT_EQ(sim.platform ? sim.platform->name : "", "sim");
  auto unknown = selectPlatform(table, "wayland");
  EXPECT_TRUE(!unknown.platform && unknown.message.find("wayland") != std::string::npos) << unknown.message;
}

// Quotes group as in a shell; nothing is expanded, and operators, redirections
// and '#' are ordinary characters.
TEST(SplitCommandLine, QuotesGroupAndNothingElseIsSpecial) {
  const std::tuple<const char*, std::vector<std::string>, bool> cases[] = {
      {R"(  ls -l  "my folder"/x \"q)", {"ls", "-l", "my folder/x", "\"q"}, false},
      {R"('a b' "c d" e\ f "it's" 'say "hi"')", {"a b", "c d", "e f", "it's", "say \"hi\""}, false},
      {"a;touch PWNED;b && c|d > e 2>&1", {"a;touch", "PWNED;b", "&&", "c|d", ">", "e", "2>&1"}, false},
      {"$HOME \"$HOME\" * ~ $(id) `id`", {"$HOME", "$HOME", "*", "~", "$(id)", "`id`"}, false},
      {"#1 draft.txt # x", {"#1", "draft.txt", "#", "x"}, false},
      {"\"\"", {""}, false},
      {"   ", {}, true},
      {"echo 'unclosed", {}, true},
  };
  for (const auto& [line, words, error] : cases) {
    SCOPED_TRACE(line);
    CommandWords split = splitCommandLine(line);
    EXPECT_EQ(split.words, words);
    EXPECT_EQ(!split.error.empty(), error) << split.error;
  }
}

TEST(UsLayout, KeysAndCharactersRoundTrip) {
  for (int c = 0x20; c < 0x7F; ++c) {
    auto stroke = usKeyForCharacter(static_cast<unsigned char>(c));
    ASSERT_TRUE(stroke.has_value()) << c;
    EXPECT_EQ(usCharacterForKey(stroke->virtualKey, stroke->shiftState == 1, false), c) << c;
  }
  EXPECT_FALSE(usKeyForCharacter(0xE9).has_value());
  EXPECT_EQ(usCharacterForKey(vk::kNumpad0 + 7, false, false), '7');
  EXPECT_FALSE(usCharacterForKey(vk::kF1, false, false).has_value());
}

// Windows-1252 and UTF-8: every byte round-trips; what the code page lacks becomes '?', malformed bytes stay.
TEST(TextEncoding, MapsTheCodePageAndKeepsWhatItCannotRead) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(cp1252FromUtf8(utf8FromCp1252(all)), all);
  EXPECT_EQ(utf8FromCp1252("\x80 caf\xE9"), "\xE2\x82\xAC caf\xC3\xA9");  // euro sign
  EXPECT_EQ(cp1252FromUtf8("\xE2\x80\x9Cq\xE2\x80\x9D a\xE4\xB8\xAD" "b"), "\x93q\x94 a?b");  // quotes, a CJK character
  EXPECT_EQ(cp1252FromUtf8("\xC3"), "\xC3");          // truncated sequence
  EXPECT_EQ(cp1252FromUtf8("\xC0\xAF"), "\xC0\xAF");  // overlong form
}

// The dry run of qlm play keeps what the simulated desktop received; a GoTo
// loop must not make that grow without bound.
TEST(SimDesktopHistory, IsBoundedAndKeepsTheMostRecentInput) {
  auto desktop = std::make_shared<SimDesktop>(800, 600);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  const WindowId target = desktop->createWindow({.className = "Notepad", .textField = true});
  std::string typed;
  for (std::size_t i = 0; i < SimDesktop::kTypedLimit + 100; ++i) {
    typed += static_cast<char>('a' + i % 26);
    platform->input->sendCharacter(static_cast<unsigned char>(typed.back()), false);
    platform->input->sendCharacter(static_cast<unsigned char>(typed.back()), true);
  }
  EXPECT_LE(desktop->events().size(), SimDesktop::kHistoryLimit);
  EXPECT_EQ(desktop->events().back().character, static_cast<unsigned char>(typed.back()));
  const std::string kept = desktop->typedText(target);
  EXPECT_TRUE(kept.size() <= SimDesktop::kTypedLimit && kept.size() > 3 && typed.ends_with(kept)) << kept.size();
}

}  // namespace
}  // namespace qlm
