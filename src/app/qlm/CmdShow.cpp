#include <cstdio>

#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis = "show [--json] FILE.qlm LINE";

void printField(const char* name, const std::string& cp1252) {
  std::printf("%-12s %s\n", name, terminalText(cp1252).c_str());
}

void printRecord(const ListedRecord& listed, const std::string& date) {
  const RecordImage& r = listed.record;
  auto four = [](const Rect& area) {
    const auto [left, top, right, bottom] = inclusiveEdges(area);
    return std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," + std::to_string(bottom);
  };
  WindowGeometry w = r.window();
  std::printf("%-12s %d\n", "line", listed.line);
  std::printf("%-12s %d\n", "number", r.get(IntField::Number));
  printField("kind", r.text(TextField::Kind));
  printField("created", date);
  printField("user", r.text(TextField::User));
  printField("title", r.text(TextField::WindowTitle));
  printField("class", r.text(TextField::WindowClass));
  printField("process", r.text(TextField::Process));
  printField("instruction", r.text(TextField::Instruction));
  printField("comment", r.text(TextField::Comment));
  std::printf("%-12s %d,%d\n", "click", r.click().x, r.click().y);
  std::printf("%-12s %s\n", "image_area", four(r.imageArea()).c_str());
  std::printf("%-12s %d,%d\n", "alternate", r.alternate().x, r.alternate().y);
  std::printf("%-12s %s\n", "text_area", four(r.textArea()).c_str());
  std::printf("%-12s condition %d, click %d, text %d\n", "analysis", r.get(IntField::ConditionLevel),
              r.get(IntField::ClickFlag), r.get(IntField::TextFlag));
  std::printf("%-12s play %d, erase %d, wait %d..%d ms\n", "playback", r.get(IntField::Play), r.get(IntField::Erase),
              r.get(IntField::MinWait), r.get(IntField::MaxWait));
  std::printf("%-12s valid %d, %d,%d %dx%d\n", "window", w.valid, w.x, w.y, w.width, w.height);
  if (listed.picture) {
    std::printf("%-12s %dx%d, %d bits\n", "picture", listed.picture->width, listed.picture->height,
                listed.picture->bitsPerPixel);
  }
}

}  // namespace

int cmdShow(CommandArgs args) {
  bool json = !args.empty() && args[0] == "--json";
  if (args.size() != (json ? 3u : 2u)) return reportUsage(kSynopsis);
  std::string path(args[args.size() - 2]);
  Snapshot reader;
  if (!reader.openForReading(path)) return reportFailure(reader.message());
  auto position = parseLine(args.back(), reader.count());
  if (!position) {
    return reportFailure(path + " has no line " + std::string(args.back()) + " (it has " + std::to_string(reader.count()) +
                         ")");
  }
  if (reader.readRecord(*position) != 0) return reportFailure(reader.message());
  ListedRecord listed{*position + 1, reader.record(), reader.pictureShape()};
  if (!listed.picture) return reportFailure(reader.message());
  listed.record.applyNotCheckedRule();
  if (json) {
    JsonWriter writer;
    writeRecordJson(writer, listed.line, listed.record, listed.picture);
    std::printf("%s\n", writer.str().c_str());
  } else {
    printRecord(listed, reader.recordDateText());
  }
  return kExitOk;
}

}  // namespace qlm
