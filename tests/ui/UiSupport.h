#pragma once
// What the tests of the desktop application share: a simulated desktop, and
// documents written with the program's own file handler.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../document/TempFolder.h"
#include "document/Snapshot.h"
#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"

namespace qlm::testing {

struct RecordSpec {
  std::string instruction;  // Windows-1252
  int play = 1;
  Rect imageArea = rectFromInclusive(20, 20, 60, 40);
  Point click{40, 30};
  std::function<void(RecordImage&)> adjust = [](RecordImage&) {};
  std::string title = "typed";  // of the XTerm window the record is made for
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
      std::uint8_t* pixel = picture.rowFromTop(y) + x * 4;
      if (x >= 162 && x < 166 && y >= 82 && y < 86) std::fill_n(pixel, 3, 0xFF);
      for (Point corner : {Point{20, 20}, Point{120, 60}}) {
        const int dx = x - corner.x, dy = y - corner.y;
        if (dx < 0 || dx >= 40 || dy < 0 || dy >= 20) continue;
        pixel[0] = static_cast<std::uint8_t>(dx * 6);
        pixel[1] = static_cast<std::uint8_t>(dy * 12);
        pixel[2] = 0x20;
      }
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
    fields.windowClass = "XTerm";
    fields.windowTitle = spec.title;
    fields.process = "xterm";
    fields.click = spec.click;
    fields.imageArea = spec.imageArea;
    fields.areaWidth = fields.pictureWidth = kPictureWidth;
    fields.areaHeight = fields.pictureHeight = kPictureHeight;
    RecordImage record = makeNewRecord(fields);
    record.set(IntField::Play, spec.play);
    spec.adjust(record);
    snapshot.setCapture(testPicture());
    Outcome saved = snapshot.appendRecord(where, record);
    ASSERT_TRUE(saved.ok) << saved.message;
  }
}

// Records of `instructions` for the XTerm window titled `title`.
inline void writeDocument(const std::string& path, const std::string& title, const std::vector<std::string>& instructions) {
  std::vector<RecordSpec> records;
  for (const std::string& instruction : instructions) records.push_back({.instruction = instruction, .title = title});
  writeDocument(path, records);
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

// A simulated desktop whose machine-wide values the test may set.
struct SimServices {
  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>();
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
};

}  // namespace qlm::testing
