// The quillmote program itself on a private virtual desktop: an unattended
// playback into a real xterm that ends the program, and a command line in
// error shown at the first paint.
#include <gtest/gtest.h>

#include "../../platform/x11/X11Fixture.h"
#include "QuillmoteProgram.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using testing::Client;
using testing::DesktopEnvironment;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;
using testing::writeDocument;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

TEST(QuillmoteOnDesktopTest, PlaysIntoAnXtermAndEndsWithThePlayback) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  auto typed = scratchFile("typed.txt");
  std::filesystem::remove(typed);
  Client xterm({"xterm", "-T", "qlm typed", "-e", "sh", "-c", "cat > '" + typed.string() + "'"}, display);
  ASSERT_TRUE(waitFor([&] { return platform.windows->findWindow("XTerm", "qlm typed") != kNoWindow; }, 20s));
  std::string document = scratchFile("played.qlm").string();
  writeDocument(document, "qlm typed", {"\"Hello from the window\"&\"V[RETURN]\"", "$N=6*7; \"N=\"&$N&\"V[RETURN]\""});

  testing::QuillmoteProgram program({document, "/play", "/close", "/nosound"}, scratchFile("played.err"));
  EXPECT_EQ(program.exitStatus(60s), 0) << readFile(scratchFile("played.err"));
  EXPECT_TRUE(waitFor([&] { return readFile(typed) == "Hello from the window\nN=42\n"; })) << readFile(typed);
}

TEST(QuillmoteOnDesktopTest, InvalidCommandIsShownAndTheProgramEnds) {
  Platform& platform = *SharedDesktop::platform();
  auto errors = scratchFile("bogus.err");
  testing::QuillmoteProgram program({"bad.qlm", "/bogus"}, errors);
  ASSERT_TRUE(waitFor([&] { return readFile(errors).find("Quillmote: Invalid command /bogus\n") != std::string::npos; },
                      20s))
      << readFile(errors);
  WindowId message = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (message = platform.windows->findWindow(std::nullopt, "Quillmote")) != kNoWindow; },
                      10s));
  // The user acknowledges the message; nothing else is left open.
  Client key({"xdotool", "windowactivate", "--sync", std::to_string(message), "key", "Return"},
             SharedDesktop::desktop()->display());
  EXPECT_EQ(program.exitStatus(20s), 0);
}

}  // namespace
}  // namespace qlm
