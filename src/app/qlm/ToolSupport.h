#pragma once
// What the document commands of qlm share: argument parsing, the one-line
// failure report and the JSON form of a record.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/qlm/Commands.h"
#include "app/qlm/Json.h"
#include "document/BmpBlock.h"
#include "document/RecordImage.h"

namespace qlm {

// Prints "qlm: <message>" on one line of stderr; returns kExitFailed.
int reportFailure(std::string_view message);
// Prints the usage line; returns kExitUsage.
int reportUsage(std::string_view synopsis);

std::optional<int> parseNumber(std::string_view text);
// "X,Y" or "L,T,R,B": exactly `count` numbers.
std::optional<std::vector<int>> parseNumbers(std::string_view text, std::size_t count);
// A 1-based line among `count` lines, as a 0-based position.
std::optional<int> parseLine(std::string_view text, int count);

struct ListedRecord {
  int line = 0;  // 1-based
  RecordImage record;
  std::optional<PictureShape> picture;
};

struct ListedDocument {
  int count = 0;
  std::vector<ListedRecord> records;  // the readable ones
  std::vector<std::string> damage;    // one message per damaged record
};

// Reads records and picture sizes, not the pixels. Empty with `error` set
// when the file does not open.
std::optional<ListedDocument> listDocument(const std::string& path, std::string& error);
// One row of `qlm list`: line, kind, play or skip, window title, instruction.
void printListRow(const ListedRecord& listed);

// The number of lines of the document; empty with `error` set when the file
// does not open.
std::optional<int> lineCount(const std::string& path, std::string& error);
std::string noSuchLine(const std::string& path, std::string_view line, int count);

void writeRecordJson(JsonWriter& json, int line, const RecordImage& record, std::optional<PictureShape> picture);


}  // namespace qlm
