#include "document/RecordDocument.h"

#include <algorithm>

namespace qlm {

namespace {
constexpr std::string_view kBusy = "The document is busy; try again when it has finished.";
constexpr std::size_t kShortestPath = 5;
}  // namespace

class RecordDocument::BusyScope {
 public:
  explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
  ~BusyScope() { m_busy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& m_busy;
};

Outcome RecordDocument::setRecord(int i, const RecordImage& record) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  if (i < 0 || i >= count()) return Outcome::failure("There is no line " + std::to_string(i + 1) + ".");
  m_records[static_cast<std::size_t>(i)] = record;
  return Outcome::success();
}

RecordKey RecordDocument::keyOf(int i) const {
  if (i < 0 || i >= count()) return RecordKey(i);
  return RecordKey(i, m_loaded[static_cast<std::size_t>(i)]);
}

LoadResult RecordDocument::load() {
  BusyScope busy(m_busy);
  return loadWhileBusy();
}

LoadResult RecordDocument::loadWhileBusy() {
  LoadResult result;
  m_current = -1;
  m_records.clear();
  m_loaded.clear();
  m_damaged.clear();
  if (m_path.empty()) return result;
  Snapshot reader(m_fs);
  if (!reader.openForReading(m_path)) {
    result.message = reader.message();
    return result;
  }
  result.opened = true;
  for (int i = 0; i < reader.count(); ++i) {
    bool read = reader.readRecord(i) == 0;
    RecordImage record = read ? reader.record() : RecordImage();
    if (!read) result.damagedLines.push_back(reader.message());
    m_loaded.push_back(LoadedRecord{reader.table().entry(i), record.bytes()});
    record.applyNotCheckedRule();
    m_records.push_back(record);
    m_damaged.push_back(!read);
  }
  reader.closeReading();
  return result;
}

Outcome RecordDocument::saveWhileBusy() {
  if (m_path.size() < kShortestPath) return Outcome::success();
  for (int i = 0; i < count(); ++i) {
    if (damaged(i)) {
      return Outcome::failure("Line " + std::to_string(i + 1) + " of " + m_path +
                             " could not be read; the document is not written back.");
    }
  }
  // Only what this document changed is written: the other records may have
  // been changed by another program since they were loaded.
  std::vector<RecordEdit> edits;
  for (int i = 0; i < count(); ++i) {
    auto at = static_cast<std::size_t>(i);
    m_records[at].setText(TextField::LayoutTag, kLayoutTag);
    if (m_records[at].bytes() != m_loaded[at].bytes) edits.push_back(RecordEdit{i, m_loaded[at], m_records[at]});
  }
  if (edits.empty()) return Outcome::success();
  Snapshot writer(m_fs);
  Outcome written = writer.writeRecords(m_path, edits);
  if (written) {
    for (const RecordEdit& edit : edits) m_loaded[static_cast<std::size_t>(edit.line)] = edit.loaded;
  }
  return written;
}

Outcome RecordDocument::save() {
  BusyScope busy(m_busy);
  return saveWhileBusy();
}

Outcome RecordDocument::deleteRecord() {
  if (m_busy || m_current < 0 || m_current >= count() || record(m_current).get(IntField::Play) == 1) {
    return Outcome::failure(std::string(kDeleteRefused));
  }
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  Outcome deleted = Snapshot(m_fs).deleteRecord(m_path, keyOf(m_current), PlayedRecords::Refuse);
  if (!deleted) return deleted;
  return reloadKeepingCurrent();
}

Outcome RecordDocument::reloadKeepingCurrent() {
  int current = m_current;
  LoadResult loaded = loadWhileBusy();
  setCurrentRecord(std::min(current, count() - 1));
  if (!loaded.opened) return Outcome::failure(loaded.message);
  return Outcome::success();
}

Outcome RecordDocument::moveRecord(int from, int to) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (Outcome moved = Snapshot(m_fs).moveRecord(m_path, keyOf(from), to); !moved) return moved;
  return reloadKeepingCurrent();
}

Outcome RecordDocument::duplicateRecord(int source, int position) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (Outcome copied = Snapshot(m_fs).duplicateRecord(m_path, keyOf(source), position); !copied) return copied;
  return reloadKeepingCurrent();
}

Outcome RecordDocument::saveAs(const std::string& newPath) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (newPath == m_path) return Outcome::success();
  if (Outcome copied = Snapshot(m_fs).copyDocument(m_path, newPath); !copied) return copied;
  m_path = newPath;
  return Outcome::success();
}

}  // namespace qlm
