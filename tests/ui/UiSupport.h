#pragma once
// What the tests of the desktop application share: one QApplication on the
// offscreen platform, a simulated desktop, and documents written with the
// program's own file handler.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../document/TempFolder.h"
#include "document/Snapshot.h"
#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"

namespace qlm::testing {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    m_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  std::unique_ptr<QApplication> m_app;
};

struct RecordSpec {
  std::string instruction;  // Windows-1252
  int play = 1;
  Rect imageArea = rectFromInclusive(20, 20, 60, 40);
  Point click{40, 30};
  std::function<void(RecordImage&)> adjust = [](RecordImage&) {};
};

inline constexpr int kPictureWidth = 200;
inline constexpr int kPictureHeight = 120;

// A grey picture with a dark square at (20, 20), a copy of it at (120, 60)
// and a white mark at (162, 82) beside the copy only.
inline Picture testPicture() {
  Picture picture;
  picture.width = kPictureWidth;
  picture.height = kPictureHeight;
  picture.pixels.assign(picture.pixelBytes(), 0xC0);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      bool first = x >= 20 && x < 60 && y >= 20 && y < 40;
      bool second = x >= 120 && x < 160 && y >= 60 && y < 80;
      if (x >= 162 && x < 166 && y >= 82 && y < 86) std::fill_n(picture.rowFromTop(y) + x * 4, 3, 0xFF);
      if (!first && !second) continue;
      int dx = first ? x - 20 : x - 120;
      int dy = first ? y - 20 : y - 60;
      std::uint8_t* pixel = picture.rowFromTop(y) + x * 4;
      pixel[0] = static_cast<std::uint8_t>(dx * 6);
      pixel[1] = static_cast<std::uint8_t>(dy * 12);
      pixel[2] = 0x20;
    }
  }
  return picture;
}

inline void writeDocument(const std::string& path, const std::vector<RecordSpec>& records) {
  std::filesystem::remove(path);
  Snapshot snapshot;
  std::string where = path;
  ASSERT_TRUE(snapshot.beginAppend(where) && snapshot.finishAppend()) << snapshot.message();
  for (const RecordSpec& spec : records) {
    NewRecordFields fields;
    fields.text = spec.instruction;
    fields.click = spec.click;
    fields.imageArea = spec.imageArea;
    fields.areaWidth = kPictureWidth;
    fields.areaHeight = kPictureHeight;
    fields.pictureWidth = kPictureWidth;
    fields.pictureHeight = kPictureHeight;
    fields.windowClass = "XTerm";
    fields.windowTitle = "typed";
    fields.process = "xterm";
    RecordImage record = makeNewRecord(fields);
    record.set(IntField::Play, spec.play);
    spec.adjust(record);
    snapshot.setCapture(testPicture());
    Outcome saved = snapshot.appendRecord(where, record);
    ASSERT_TRUE(saved.ok) << saved.message;
  }
}

inline RecordImage recordInFile(const std::string& path, int line) {
  Snapshot reader;
  EXPECT_TRUE(reader.openForReading(path)) << reader.message();
  EXPECT_EQ(reader.readRecord(line), 0) << reader.message();
  return reader.record();
}

inline std::vector<std::string> instructionsInFile(const std::string& path) {
  Snapshot reader;
  std::vector<std::string> texts;
  if (!reader.openForReading(path)) return texts;
  for (int i = 0; i < reader.count(); ++i) {
    if (reader.readRecord(i) == 0) texts.push_back(reader.record().text(TextField::Instruction));
  }
  return texts;
}

// `qlm show FILE LINE`: what another program reads back from the file.
inline std::string qlmShow(const std::string& path, int line) {
  std::string command = std::string(QLM_TOOL) + " show '" + path + "' " + std::to_string(line) + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  return output;
}

// A simulated desktop whose machine-wide values the test may set.
struct SimServices {
  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>();
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
};

}  // namespace qlm::testing
