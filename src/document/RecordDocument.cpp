#include "document/RecordDocument.h"

#include "document/QlmTable.h"
#include "document/Snapshot.h"

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

void RecordDocument::takePositions(const QlmTable& table) {
  m_positions.resize(m_records.size());
  for (int i = 0; i < count(); ++i) m_positions[static_cast<std::size_t>(i)] = table.entry(i) + kRecordSize;
}

LoadResult RecordDocument::load() {
  BusyScope busy(m_busy);
  return loadWhileBusy();
}

LoadResult RecordDocument::loadWhileBusy() {
  LoadResult result;
  m_current = -1;
  m_records.clear();
  m_positions.clear();
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
    record.applyNotCheckedRule();
    m_records.push_back(record);
    m_damaged.push_back(!read);
  }
  takePositions(reader.table());
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
  for (RecordImage& record : m_records) record.setText(TextField::LayoutTag, kLayoutTag);
  Snapshot writer(m_fs);
  return writer.rewriteRecords(m_path, m_records);
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
  Snapshot writer(m_fs);
  if (Outcome deleted = writer.deleteRecord(m_path, m_current); !deleted) return deleted;
  auto at = static_cast<std::ptrdiff_t>(m_current);
  m_records.erase(m_records.begin() + at);
  m_damaged.erase(m_damaged.begin() + at);
  takePositions(writer.table());
  if (m_current >= count()) m_current = count() - 1;
  return saveWhileBusy();
}

Outcome RecordDocument::reloadKeepingCurrent() {
  int current = m_current;
  LoadResult loaded = loadWhileBusy();
  setCurrentRecord(current);
  if (!loaded.opened) return Outcome::failure(loaded.message);
  return Outcome::success();
}

Outcome RecordDocument::moveRecord(int from, int to) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (Outcome moved = Snapshot(m_fs).moveRecord(m_path, from, to); !moved) return moved;
  return reloadKeepingCurrent();
}

Outcome RecordDocument::duplicateRecord(int source, int position) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (Outcome copied = Snapshot(m_fs).duplicateRecord(m_path, source, position); !copied) return copied;
  return reloadKeepingCurrent();
}

Outcome RecordDocument::saveAs(const std::string& newPath) {
  if (m_busy) return Outcome::failure(std::string(kBusy));
  BusyScope busy(m_busy);
  if (Outcome saved = saveWhileBusy(); !saved) return saved;
  if (newPath == m_path) return Outcome::success();
  if (Outcome copied = Snapshot(m_fs).copyDocument(m_path, newPath, m_records); !copied) return copied;
  m_path = newPath;
  return Outcome::success();
}

}  // namespace qlm
