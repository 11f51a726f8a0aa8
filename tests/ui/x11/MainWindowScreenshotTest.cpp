// The main window with a document recorded from a real xterm, photographed
// on the virtual desktop; scripts/screenshot.sh keeps the picture for the README.
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

// What the recorder leaves: each record with the picture of its window.
void writeRecordedDocument(const std::string& path, const Picture& picture) {
  struct Step {
    const char* instruction;
    int conditionLevel;
    int clickFlag;
    std::array<int, 4> area;  // last pixels inside
    Point click;
  };
  const Step steps[] = {
      {"\"Ada LovelaceV[TAB]\"", 0, 0, {10, 10, 50, 30}, {100, 15}},
      {"IfImage(5,\"V[LBUTTON]\",Stop())", 3, 2, {2, 24, 60, 37}, {70, 30}},
      {"$QTY=3; \"Total: \"&($QTY*12.5)&\" EURV[RETURN]\"", 0, 0, {10, 10, 50, 30}, {100, 15}},
      {"\"\\[CTRL]d/[CTRL]\"", 0, 0, {10, 10, 50, 30}, {100, 15}},
  };
  std::filesystem::remove(path);
  Snapshot snapshot;
  for (const Step& step : steps) {
    NewRecordFields fields;
    fields.text = step.instruction;
    fields.windowClass = "XTerm";
    fields.windowTitle = "Invoices";
    fields.process = "xterm";
    fields.user = "ada";
    fields.created = creationStamp(std::time(nullptr));
    fields.click = step.click;
    fields.imageArea = rectFromInclusive(step.area[0], step.area[1], step.area[2], step.area[3]);
    fields.areaWidth = fields.pictureWidth = picture.width;
    fields.areaHeight = fields.pictureHeight = picture.height;
    RecordImage record = makeNewRecord(fields);
    record.set(IntField::ConditionLevel, step.conditionLevel);
    record.set(IntField::ClickFlag, step.clickFlag);
    snapshot.setCapture(picture);
    std::string where = path;
    ASSERT_TRUE(snapshot.appendRecord(where, record).ok);
  }
}

TEST(MainWindowScreenshotTest, RecordedDocumentWithItsPicture) {
  Platform& platform = *SharedDesktop::platform();
  const std::string display = SharedDesktop::desktop()->display();
  Client tray({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "24"}, display);
  Client xterm({"xterm", "-geometry", "60x8+1300+60", "-T", "Invoices", "-e", "sh", "-c",
                "printf 'Customer: Ada Lovelace\\nInvoice: 1042\\n'; exec cat > /dev/null"},
               display);
  WindowId window = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (window = platform.windows->findWindow("XTerm", "Invoices")) != kNoWindow; }, 20s));
  std::this_thread::sleep_for(1s);
  auto frame = platform.windows->rect(window);
  ASSERT_TRUE(frame);
  auto picture = platform.capture->capture(*frame);
  ASSERT_TRUE(picture && !picture->empty());
  std::filesystem::create_directories(scratchFile("shot"));
  std::string document = (scratchFile("shot") / "invoices.qlm").string();
  writeRecordedDocument(document, *picture);

  testing::QuillmoteProgram program({document, "/nosound"}, scratchFile("screen.err"));
  const std::string title = std::filesystem::path(document).filename().string() + " - Quillmote";
  WindowId main = kNoWindow;
  ASSERT_TRUE(waitFor([&] { return (main = platform.windows->findWindow(std::nullopt, title)) != kNoWindow; }, 30s));
  std::this_thread::sleep_for(1s);
  // The second record, with its image area and its click relative to the found image.
  Client keys({"xdotool", "windowactivate", "--sync", std::to_string(main), "key", "Down"}, display);
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
