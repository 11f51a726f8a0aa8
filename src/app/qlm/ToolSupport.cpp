#include "app/qlm/ToolSupport.h"

#include <charconv>
#include <cstdio>

#include "document/Snapshot.h"
#include "platform/TextEncoding.h"

namespace qlm {

std::optional<ListedDocument> listDocument(const std::string& path, std::string& error) {
  Snapshot reader;
  if (!reader.openForReading(path)) {
    error = reader.message();
    return std::nullopt;
  }
  ListedDocument document;
  document.count = reader.count();
  for (int i = 0; i < reader.count(); ++i) {
    if (reader.readRecord(i) != 0) {
      document.damage.push_back(reader.message());
      continue;
    }
    ListedRecord listed{i + 1, reader.record(), reader.pictureShape()};
    if (!listed.picture) document.damage.push_back(reader.message());
    listed.record.applyNotCheckedRule();
    document.records.push_back(std::move(listed));
  }
  return document;
}

void printListRow(const ListedRecord& listed) {
  const RecordImage& record = listed.record;
  std::printf("%5d  %s  %s  %s  %s\n", listed.line, terminalText(record.text(TextField::Kind)).c_str(),
              record.get(IntField::Play) ? "play" : "skip", terminalText(record.text(TextField::WindowTitle)).c_str(),
              terminalText(record.text(TextField::Instruction)).c_str());
}

int reportFailure(std::string_view message) {
  std::string line(message);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  std::fprintf(stderr, "qlm: %s\n", line.c_str());
  return kExitFailed;
}

int reportUsage(std::string_view synopsis) {
  std::fprintf(stderr, "usage: qlm %.*s\n", static_cast<int>(synopsis.size()), synopsis.data());
  return kExitUsage;
}

std::optional<int> parseNumber(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<std::vector<int>> parseNumbers(std::string_view text, std::size_t count) {
  std::vector<int> numbers;
  while (numbers.size() < count) {
    std::size_t comma = text.find(',');
    auto number = parseNumber(text.substr(0, comma));
    if (!number) return std::nullopt;
    numbers.push_back(*number);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (numbers.size() != count || text.find(',') != std::string_view::npos) return std::nullopt;
  return numbers;
}

std::optional<int> parseLine(std::string_view text, int count) {
  auto line = parseNumber(text);
  if (!line || *line < 1 || *line > count) return std::nullopt;
  return *line - 1;
}

namespace {

void numbers(JsonWriter& json, std::string_view name, std::initializer_list<long long> values) {
  json.key(name).beginArray();
  for (long long value : values) json.number(value);
  json.endArray();
}

}  // namespace

std::optional<int> lineCount(const std::string& path, std::string& error) {
  Snapshot reader;
  if (!reader.openForReading(path)) {
    error = reader.message();
    return std::nullopt;
  }
  return reader.count();
}

std::string noSuchLine(const std::string& path, std::string_view line, int count) {
  return path + " has no line " + std::string(line) + " (it has " + std::to_string(count) + ")";
}

void writeRecordJson(JsonWriter& json, int line, const RecordImage& record, std::optional<PictureShape> picture) {
  const auto [imageLeft, imageTop, imageRight, imageBottom] = inclusiveEdges(record.imageArea());
  const auto [textLeft, textTop, textRight, textBottom] = inclusiveEdges(record.textArea());
  WindowGeometry window = record.window();
  json.beginObject();
  json.key("line").number(line);
  json.key("number").number(record.get(IntField::Number));
  json.key("kind").text(record.text(TextField::Kind));
  json.key("title").text(record.text(TextField::WindowTitle));
  json.key("class").text(record.text(TextField::WindowClass));
  json.key("process").text(record.text(TextField::Process));
  json.key("instruction").text(record.text(TextField::Instruction));
  json.key("comment").text(record.text(TextField::Comment));
  json.key("user").text(record.text(TextField::User));
  json.key("created").text(record.text(TextField::Created));
  numbers(json, "click", {record.click().x, record.click().y});
  numbers(json, "image_area", {imageLeft, imageTop, imageRight, imageBottom});
  numbers(json, "alternate", {record.alternate().x, record.alternate().y});
  numbers(json, "text_area", {textLeft, textTop, textRight, textBottom});
  json.key("condition_level").number(record.get(IntField::ConditionLevel));
  json.key("click_flag").number(record.get(IntField::ClickFlag));
  json.key("text_flag").number(record.get(IntField::TextFlag));
  json.key("play").number(record.get(IntField::Play));
  json.key("erase").number(record.get(IntField::Erase));
  json.key("min_wait").number(record.get(IntField::MinWait));
  json.key("max_wait").number(record.get(IntField::MaxWait));
  numbers(json, "window", {window.valid, window.x, window.y, window.width, window.height});
  json.key("sense").number(record.get(IntField::Sense));
  json.key("shift").number(record.get(IntField::Shift));
  json.key("ctrl").number(record.get(IntField::Ctrl));
  json.key("alt").number(record.get(IntField::Alt));
  if (picture) {
    numbers(json, "picture", {picture->width, picture->height, picture->bitsPerPixel});
  } else {
    json.key("picture").beginArray().endArray();
  }
  json.endObject();
}

}  // namespace qlm
