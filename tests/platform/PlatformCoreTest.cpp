#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../document/TempFolder.h"
#include "platform/IniFile.h"
#include "platform/UsLayout.h"
#include "platform/VirtualKeys.h"
#include "platform/posix/PosixParts.h"
#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

TEST(IniFile, ReadsEntriesWithoutRegardToCaseAndMachineValuesOutsideSections) {
  IniFile ini("; comment\r\n[Playback]\r\nWaitIfMouseMoves = 250\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(ini.get("playback", "waitifmousemoves"), "250");
  EXPECT_EQ(ini.get("Other", "x"), "1");
  EXPECT_FALSE(ini.get("Playback", "x").has_value());
  EXPECT_FALSE(ini.get("Missing", "x").has_value());
  IniFile machine("ATT1=300\n[SOFTWARE\\Quillmote]\nATT2=9000\n");
  EXPECT_EQ(machine.getAnywhere("ATT1"), "300");
  EXPECT_EQ(machine.getAnywhere("att2"), "9000");
  EXPECT_FALSE(machine.getAnywhere("ATT3").has_value());
}
TEST(IniFile, WritesInPlaceKeepingCommentsAndAddsSections) {
  IniFile ini("# keep me\n[Playback]\nA=1\n\n[Z]\nB=2\n");
  ini.set("Playback", "A", "5");
  ini.set("Playback", "C", "7");
  ini.set("New", "D", "line\nbreak");
  EXPECT_EQ(ini.text(), "# keep me\n[Playback]\nA=5\nC=7\n\n[Z]\nB=2\n[New]\nD=line break\n");
}

class IniSettingsTest : public ::testing::Test {
protected:
  testing::TempFolder temp;
  std::filesystem::path folder = temp.path();
};

TEST_F(IniSettingsTest, MissingEntriesAreWrittenBackWithTheirDefaults) {
  auto settings = makeIniSettings(folder / "Quillmote" / "Quillmote.ini", folder / "none.conf");
  EXPECT_EQ(settings->profileInt("Playback", "WaitIfMouseMoves", 0), 0);
  EXPECT_EQ(settings->profileInt("Playback", "WaitIfWindowNotResponding", 15000), 15000);
  std::ifstream in(folder / "Quillmote" / "Quillmote.ini");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "[Playback]\nWaitIfMouseMoves=0\nWaitIfWindowNotResponding=15000\n");
  EXPECT_EQ(settings->machineInt("ATT1", 100), 100);
}

TEST_F(IniSettingsTest, MachineValuesOfAnotherTypeGiveTheDefault) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "quillmote.conf") << "ATT1=250\nATT2=soon\nPOST_TXT_OK=checked\n";
  auto settings = makeIniSettings(folder / "user.ini", folder / "quillmote.conf");
  EXPECT_EQ(settings->machineInt("ATT1", 100), 250);
  EXPECT_EQ(settings->machineInt("ATT2", 7000), 7000);
  EXPECT_EQ(settings->machineText("POST_TXT_OK", ""), "checked");
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
  ASSERT_TRUE(sim.platform);
  EXPECT_EQ(sim.platform->name, "sim");
  auto unknown = selectPlatform(table, "wayland");
  EXPECT_FALSE(unknown.platform);
  EXPECT_NE(unknown.message.find("wayland"), std::string::npos);
}

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
  bool error;
};

// Quotes group as in a shell; nothing is expanded, and operators, redirections
// and '#' are ordinary characters.
TEST(SplitCommandLine, QuotesGroupAndNothingElseIsSpecial) {
  const SplitCase cases[] = {
      {R"(  ls -l  "my folder"/x \"q)", {"ls", "-l", "my folder/x", "\"q"}, false},
      {R"('a b' "c d" e\ f "it's" 'say "hi"')", {"a b", "c d", "e f", "it's", "say \"hi\""}, false},
      {"a;touch PWNED;b && c|d > e 2>&1", {"a;touch", "PWNED;b", "&&", "c|d", ">", "e", "2>&1"}, false},
      {"$HOME \"$HOME\" * ~ $(id) `id`", {"$HOME", "$HOME", "*", "~", "$(id)", "`id`"}, false},
      {"#1 draft.txt # x", {"#1", "draft.txt", "#", "x"}, false},
      {"\"\"", {""}, false},
      {"   ", {}, true},
      {"echo 'unclosed", {}, true},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.line);
    CommandWords split = splitCommandLine(c.line);
    EXPECT_EQ(split.words, c.words);
    EXPECT_EQ(!split.error.empty(), c.error) << split.error;
  }
}

TEST(UsLayout, KeysAndCharactersRoundTrip) {
  for (int c = 0x20; c < 0x7F; ++c) {
    SCOPED_TRACE(c);
    auto stroke = usKeyForCharacter(static_cast<unsigned char>(c));
    ASSERT_TRUE(stroke.has_value());
    EXPECT_EQ(usCharacterForKey(stroke->virtualKey, stroke->shiftState == 1, false), c);
  }
  EXPECT_FALSE(usKeyForCharacter(0xE9).has_value());
  EXPECT_EQ(usCharacterForKey(vk::kNumpad0 + 7, false, false), '7');
  EXPECT_FALSE(usCharacterForKey(vk::kF1, false, false).has_value());
}

}  // namespace
}  // namespace qlm
