// The dry run of qlm play keeps what the simulated desktop received; a GoTo
// loop must not make that grow without bound.
#include <gtest/gtest.h>

#include "platform/sim/SimDesktop.h"

namespace qlm {
namespace {

TEST(SimDesktopHistory, IsBoundedAndKeepsTheMostRecentInput) {
  auto desktop = std::make_shared<SimDesktop>(800, 600);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  SimWindowSpec spec;
  spec.className = "Notepad";
  spec.title = "notes.txt - Editor";
  spec.textField = true;
  const WindowId target = desktop->createWindow(spec);
  const std::size_t count = SimDesktop::kTypedLimit + 100;
  std::string last;
  for (std::size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>('a' + i % 26);
    platform->input->sendCharacter(c, false);
    platform->input->sendCharacter(c, true);
    if (i + 3 >= count) last += static_cast<char>(c);
  }
  auto events = desktop->events();
  EXPECT_LE(events.size(), SimDesktop::kHistoryLimit);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().character, static_cast<unsigned char>(last.back()));
  const std::string typed = desktop->typedText(target);
  EXPECT_LE(typed.size(), SimDesktop::kTypedLimit);
  EXPECT_TRUE(typed.ends_with(last)) << typed.substr(typed.size() - 10);
}

}  // namespace
}  // namespace qlm
