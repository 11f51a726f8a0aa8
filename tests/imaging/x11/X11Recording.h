#pragma once
// What the X11 tests of the conditions share: the probe client's log read
// back, and documents written as qlm append writes them.
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../../platform/x11/X11Fixture.h"
#include "document/Snapshot.h"

namespace qlm::testing {

// What our probe client logged: each click (button, where in its window) and the printable keys typed.
struct ProbeLog {
  std::vector<std::pair<int, Point>> clicks;
  std::string typed;
};

inline ProbeLog probeLog(const std::filesystem::path& path) {
  ProbeLog log;
  std::istringstream lines(readFile(path));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    std::pair<int, Point> click;
    unsigned long keysym = 0;
    if (kind == "button" && words >> click.first >> click.second.x >> click.second.y) log.clicks.push_back(click);
    if (kind == "key" && words >> std::hex >> keysym && keysym > ' ' && keysym < 0x7F) log.typed += static_cast<char>(keysym);
  }
  return log;
}

// Appends to `document` a record made as qlm append makes it, with `picture` as its capture.
inline void appendRecord(const std::string& document, NewRecordFields fields, const Picture& picture) {
  fields.areaWidth = fields.pictureWidth = picture.width;
  fields.areaHeight = fields.pictureHeight = picture.height;
  Snapshot snapshot;
  snapshot.setCapture(picture);
  std::string path = document;
  ASSERT_TRUE(snapshot.beginAppend(path)) << snapshot.message();
  fields.firstRecordOfFile = snapshot.count() == 0;
  ASSERT_TRUE(snapshot.appendRecordImage(makeNewRecord(fields))) << snapshot.message();
  ASSERT_TRUE(snapshot.appendPicture()) << snapshot.message();
  ASSERT_TRUE(snapshot.finishAppend()) << snapshot.message();
}

}  // namespace qlm::testing
