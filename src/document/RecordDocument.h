#pragma once
// The records of an open document in list order, with their places in the
// document file, and the document-level operations on them. The file stays
// the live store: every change goes through Snapshot at once. Other programs
// may change the file meanwhile: a change finds the records it is for as
// they were loaded, and refuses a record that another program changed.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "document/RecordImage.h"
#include "document/Snapshot.h"

namespace qlm {

struct LoadResult {
  bool opened = false;
  std::string message;                   // why the file could not be opened
  std::vector<std::string> damagedLines;  // one message per record that could not be read
};

class RecordDocument {
 public:
  explicit RecordDocument(FileSystem& fs = systemFileSystem()) : m_fs(fs) {}

  const std::string& path() const { return m_path; }
  void setPath(std::string path) { m_path = std::move(path); }

  int count() const { return static_cast<int>(m_records.size()); }
  const RecordImage& record(int i) const { return m_records[static_cast<std::size_t>(i)]; }
  // Behind the record's image in the file: where its picture starts.
  std::uint32_t position(int i) const { return m_loaded[static_cast<std::size_t>(i)].block + kRecordSize; }
  bool damaged(int i) const { return m_damaged[static_cast<std::size_t>(i)]; }
  // Refused while the document is busy.
  Outcome setRecord(int i, const RecordImage& record);

  bool busy() const { return m_busy; }
  int currentRecord() const { return m_current; }
  void setCurrentRecord(int i) { m_current = i >= 0 && i < count() ? i : -1; }

  LoadResult load();
  // Writes every record back over its own in the file.
  Outcome save();
  // The current record.
  Outcome deleteRecord();
  Outcome moveRecord(int from, int to);
  Outcome duplicateRecord(int source, int position);
  Outcome saveAs(const std::string& newPath);

 private:
  class BusyScope;
  RecordKey keyOf(int i) const;
  LoadResult loadWhileBusy();
  Outcome saveWhileBusy();
  Outcome reloadKeepingCurrent();

  FileSystem& m_fs;
  std::string m_path;
  std::vector<RecordImage> m_records;  // grows as used, up to kMaxRecords
  std::vector<LoadedRecord> m_loaded;  // each record as the file held it
  std::vector<bool> m_damaged;
  bool m_busy = true;  // until the first load
  int m_current = -1;
};

}  // namespace qlm
