#include "recorder/RecordingCleanUp.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "document/Snapshot.h"

namespace qlm {
namespace {

constexpr std::string_view kQuotedClick = "\"V[LBUTTON]\"";
constexpr std::string_view kWindowsKeyDigit = "\"0\\[LWIN]\"";
constexpr std::string_view kWindowsKey = "\"\\[LWIN]\"";
constexpr int kPressSense = 0;
constexpr int kTapSense = 2;

}  // namespace

bool turnPressIntoTap(std::string& text) {
  std::size_t bracket = text.rfind('[');
  if (bracket == std::string::npos || bracket == 0 || text[bracket - 1] != '\\') return false;
  text[bracket - 1] = 'V';
  return true;
}

Outcome turnLastRecordIntoTap(const std::string& path) {
  Snapshot reader;
  if (!reader.openForReading(path)) return Outcome::failure(reader.message());
  int last = reader.count() - 1;
  reader.closeReading();
  if (last < 0) return Outcome::success();
  return Snapshot().updateRecord(path, last, [](RecordImage& record) {
    if (record.get(IntField::Sense) != kPressSense) return Outcome::success();
    record.set(IntField::Sense, kTapSense);
    std::string text = record.text(TextField::Instruction);
    if (turnPressIntoTap(text)) record.setText(TextField::Instruction, text);
    return Outcome::success();
  });
}

Outcome tidyRecording(const std::string& path) {
  Snapshot reader;
  if (!reader.openForReading(path)) return Outcome::failure(reader.message());
  std::vector<RecordEdit> records;
  for (int i = 0; i < reader.count(); ++i) {
    // A damaged record is left as it is.
    if (reader.readRecord(i) != 0) continue;
    records.push_back({i, LoadedRecord{reader.table().entry(i), reader.record().bytes()}, reader.record()});
  }
  reader.closeReading();

  std::vector<bool> changed(records.size(), false);
  for (std::size_t i = 0; i < records.size(); ++i) {
    RecordImage& current = records[i].record;
    std::string text = current.text(TextField::Instruction);
    if (i > 0 && records[i - 1].line == records[i].line - 1) {
      RecordImage& previous = records[i - 1].record;
      std::string previousText = previous.text(TextField::Instruction);
      Point a = previous.click(), b = current.click();
      if (previousText.ends_with(kQuotedClick) && text == kQuotedClick && std::abs(a.x - b.x) + std::abs(a.y - b.y) < 6) {
        previous.setText(TextField::Instruction, previousText + "&" + std::string(kQuotedClick));
        text.clear();
        changed[i - 1] = changed[i] = true;
      }
    }
    if (text == kWindowsKeyDigit) {
      text = kWindowsKey;
      changed[i] = true;
    }
    if (changed[i]) current.setText(TextField::Instruction, text);
  }

  std::vector<RecordEdit> edits;
  std::vector<std::size_t> editedIndex;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!changed[i]) continue;
    edits.push_back(records[i]);
    editedIndex.push_back(i);
  }
  Snapshot writer;
  if (!edits.empty()) {
    if (Outcome written = writer.writeRecords(path, edits); !written) return written;
    for (std::size_t k = 0; k < edits.size(); ++k) records[editedIndex[k]] = edits[k];
  }
  for (std::size_t i = records.size(); i-- > 0;) {
    if (!records[i].record.text(TextField::Instruction).empty()) continue;
    Outcome deleted = writer.deleteRecord(path, RecordKey(records[i].line, records[i].loaded), PlayedRecords::Delete);
    if (!deleted) return deleted;
  }
  return Outcome::success();
}

}  // namespace qlm
