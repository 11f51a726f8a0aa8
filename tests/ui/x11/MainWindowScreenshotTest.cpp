// The main window with a document that qlm record made from typing into a
// real xterm, photographed on the virtual desktop; scripts/screenshot.sh
// keeps the picture for the README.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "../../platform/x11/X11Fixture.h"
#include "QuillmoteProgram.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using namespace std::chrono_literals;
using namespace testing;

TEST(MainWindowScreenshotTest, RecordedDocumentWithItsPicture) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  Client tray({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "24"}, display);
  Client xterm({"xterm", "-geometry", "60x8+1300+60", "-T", "Invoices", "-e", "sh", "-c", "exec cat > /dev/null"},
               display);
  WindowId window = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (window = platform.windows->findWindow("XTerm", "Invoices")) != kNoWindow; }, 20s));
  std::filesystem::create_directories(scratchFile("shot"));
  std::string document = (scratchFile("shot") / "invoices.qlm").string();
  std::filesystem::remove(document);
  auto output = scratchFile("record.out");
  Client recorder({"sh", "-c", "exec '" QLM_BINARY "' record '" + document + "' > '" + output.string() + "' 2>&1"},
                  display);
  ASSERT_TRUE(waitFor([&] { return readFile(output).find("Recording...") != std::string::npos; }, 10s)) << readFile(output);
  // xdotool types every argument after "type": one step a run.
  for (std::vector<std::string> step : {std::vector<std::string>{"windowactivate", "--sync", std::to_string(window)},
                                        {"type", "--delay", "40", "customer ada lovelace"}, {"key", "Return"},
                                        {"type", "--delay", "40", "invoice 1042"}, {"key", "Return", "End"}}) {
    step.insert(step.begin(), "xdotool");
    ASSERT_EQ(runProgram(step, display).status, 0) << step[1];
  }
  EXPECT_EQ(recorder.waitForExit(20s), 0) << readFile(output);

  auto program = testing::startQuillmote({document, "/nosound"}, scratchFile("screen.err"));
  const std::string title = std::filesystem::path(document).filename().string() + " - Quillmote";
  WindowId main = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (main = platform.windows->findWindow(std::nullopt, title)) != kNoWindow; }, 30s));
  std::this_thread::sleep_for(1s);
  // The first recorded record, behind the two default ones.
  Client keys({"xdotool", "windowactivate", "--sync", std::to_string(main), "key", "Down", "Down", "Down"}, display);
  std::this_thread::sleep_for(2s);
  DesktopInfo screen = platform.windows->desktop();
  auto shot = platform.capture->capture(Rect::fromSize(0, 0, screen.width, screen.height));
  ASSERT_TRUE(shot && !shot->empty());
  const char* kept = std::getenv("QLM_SCREENSHOT");
  std::string target = kept != nullptr ? kept : scratchFile("main-window.png").string();
  const QImage image(shot->pixels.data(), shot->width, shot->height, static_cast<qsizetype>(shot->stride()),
                     QImage::Format_RGB32);
  EXPECT_TRUE(image.mirrored().save(QString::fromStdString(target)));  // the rows are stored from the bottom
}

}  // namespace
}  // namespace qlm
