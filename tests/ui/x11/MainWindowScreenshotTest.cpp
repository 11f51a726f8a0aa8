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
using testing::Client;
using testing::readFile;
using testing::scratchFile;
using testing::SharedDesktop;
using testing::waitFor;

QImage imageOf(const Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.rowFromTop(y);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x) line[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
  }
  return image;
}

// A program run to its end; its exit status.
int run(std::vector<std::string> arguments) {
  Client client(std::move(arguments), SharedDesktop::desktop()->display());
  return client.waitForExit(20s).value_or(-1);
}

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
  ASSERT_EQ(run({"xdotool", "windowactivate", "--sync", std::to_string(window)}), 0);
  ASSERT_EQ(run({"xdotool", "type", "--delay", "40", "customer ada lovelace"}), 0);
  ASSERT_EQ(run({"xdotool", "key", "Return"}), 0);
  ASSERT_EQ(run({"xdotool", "type", "--delay", "40", "invoice 1042"}), 0);
  ASSERT_EQ(run({"xdotool", "key", "Return", "End"}), 0);
  EXPECT_EQ(recorder.waitForExit(20s), 0) << readFile(output);

  testing::QuillmoteProgram program({document, "/nosound"}, scratchFile("screen.err"));
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
  EXPECT_TRUE(imageOf(*shot).save(QString::fromStdString(target)));
}

}  // namespace
}  // namespace qlm
