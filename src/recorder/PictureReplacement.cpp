#include "recorder/PictureReplacement.h"

#include "document/Snapshot.h"
#include "platform/Platform.h"
#include "recorder/Recorder.h"
#include "recorder/RecordingSession.h"

namespace qlm {
namespace {

constexpr std::int64_t kFindWaitMs = 2000;
constexpr std::int64_t kFindCycleMs = 100;
constexpr std::int64_t kSettleMs = 500;

class SilentObserver final : public RecorderObserver {
public:
  void recordMade(const MadeRecord&) override {}
  void recordingStopped(const Outcome&) override {}
};

bool bringForward(Platform& platform, const std::string& className, const std::string& title) {
  Windows& windows = *platform.windows;
  for (std::int64_t waited = 0;; waited += kFindCycleMs) {
    WindowId window = windows.findWindow(className, title);
    if (window == kNoWindow) window = windows.findWindow(std::nullopt, title);
    if (window != kNoWindow) {
      if (windows.isMinimized(window)) windows.restore(window);
      if (windows.setForeground(window)) return true;
    }
    if (waited >= kFindWaitMs) return false;
    platform.clock->sleep(kFindCycleMs);
  }
}

}  // namespace

Outcome replaceRecordPicture(Platform& platform, const std::string& path, int line) {
  Snapshot reader;
  if (!reader.openForReading(path)) return Outcome::failure(reader.message());
  if (line < 0 || line >= reader.count() || reader.readRecord(line) != 0) {
    reader.closeReading();
    return Outcome::failure(path + " has no readable line " + std::to_string(line + 1) + ".");
  }
  RecordImage selected = reader.record();
  reader.closeReading();

  std::string title = selected.text(TextField::WindowTitle);
  bool wholeScreen = title.starts_with('-');
  if (!wholeScreen && !bringForward(platform, selected.text(TextField::WindowClass), title)) {
    return Outcome::failure("The window \"" + title + "\" cannot be found.");
  }
  platform.clock->sleep(kSettleMs);

  SilentObserver silent;
  RecordingSession session(platform, silent, path);
  std::optional<int> added = session.saveReplacement(wholeScreen ? 'R' : 'r');
  if (!added) return Outcome::failure("The picture cannot be taken.");
  Snapshot file;
  if (Outcome moved = file.moveRecord(path, *added - 1, line); !moved) return moved;
  if (Outcome removed = file.deleteRecord(path, line + 1, PlayedRecords::Delete); !removed) return removed;

  DesktopInfo desktop = platform.windows->desktop();
  std::optional<Rect> window = wholeScreen ? std::nullopt : platform.windows->rect(platform.windows->foreground());
  int width = window ? window->width() : desktop.width;
  int height = window ? window->height() : desktop.height;
  return file.updateRecord(path, line, [&](RecordImage& record) {
    record = selected;
    // The file's edges, right and bottom being the last pixels inside.
    auto [left, top, right, bottom] = inclusiveEdges(record.imageArea());
    Point click = record.click();
    if (click.x > width || left > width || right > width || click.y > height || top > height || bottom > height) {
      record.setClick({20, 20});
      record.setImageArea(rectFromInclusive(10, 10, 30, 30));
      record.setTextArea(rectFromInclusive(40, 10, 60, 30));
    }
    WindowGeometry geometry = record.window();
    geometry.valid = 0;
    record.setWindow(geometry);
    return Outcome::success();
  });
}

}  // namespace qlm
