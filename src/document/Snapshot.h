#pragma once
// The handler of a document file and the owner of the picture slots. Every
// operation opens the file, does its work and closes it again.
//
// Sharing: readers hold a shared advisory lock (flock) for as long as the
// file is open, writers an exclusive one, so a reader never sees a change
// half-made. Every change is all-or-nothing (CommitJournal for changes in
// place, a new file renamed over the old one for a delete).
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "document/BmpBlock.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "document/QlmTable.h"
#include "document/RecordImage.h"
#include "platform/Picture.h"

namespace qlm {

inline constexpr std::uint64_t kRolloverBytes = 1'500'000'000;
inline constexpr std::size_t kMoveChunkBytes = 30'000'000;
inline constexpr std::string_view kVendorAddress = "https://quillmote.example.org";
inline constexpr std::string_view kDeleteRefused = "In order to delete this record you must disable the play flag.";

// A record as a caller read it: where its block starts and what it held.
struct LoadedRecord {
  std::uint32_t block = 0;
  RecordImage::Bytes bytes{};
};

// The record a change is for. A line alone means the record at that line
// when the file is locked. With `loaded`, it means the record read earlier,
// wherever the file holds it now; one that another program changed or
// removed meanwhile is an error.
struct RecordKey {
  RecordKey(int at) : line(at) {}  // NOLINT: a plain line is the usual key
  RecordKey(int at, LoadedRecord read) : line(at), loaded(std::move(read)) {}
  int line = 0;
  std::optional<LoadedRecord> loaded;
};

// A record to write over the one `loaded` describes; `loaded` is updated
// to what the file holds afterwards.
struct RecordEdit {
  int line = 0;
  LoadedRecord loaded;
  RecordImage record;
};

enum class PlayedRecords { Delete, Refuse };

class Snapshot {
 public:
  explicit Snapshot(FileSystem& fs = systemFileSystem());
  ~Snapshot();
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  // Files larger than this make appends go to "<name>x.qlm".
  void setRolloverBytes(std::uint64_t bytes) { m_rolloverBytes = bytes; }

  // --- reading
  bool openForReading(const std::string& path);
  // 0 when record i is now in record(), 1 on failure.
  int readRecord(int i);
  // Reads the picture of the record just read into the main capture.
  bool readPicture(bool colour);
  // Only the size of that picture, without reading its pixels.
  std::optional<PictureShape> pictureShape();
  bool closeReading();

  int count() const { return m_table.count(); }
  const QlmTable& table() const { return m_table; }
  const RecordImage& record() const { return m_record; }
  std::string recordDateText() const { return dateText(m_record.text(TextField::Created)); }

  // --- appending
  // May change `path` to the rollover file.
  bool beginAppend(std::string& path);
  // Writes the record, numbered with the file's count, behind the data.
  bool appendRecordImage(const RecordImage& record);
  bool appendPicture();
  // Makes the appended record part of the document.
  bool finishAppend();
  Outcome appendRecord(std::string& path, const RecordImage& record);

  // --- changes to a whole document file
  // Each reads what it changes with the file locked for writing, so that
  // changes from any number of programs add up as if made one after another.
  Outcome deleteRecord(const std::string& path, const RecordKey& key, PlayedRecords played = PlayedRecords::Delete);
  Outcome moveRecord(const std::string& path, const RecordKey& from, int to);
  Outcome duplicateRecord(const std::string& path, const RecordKey& source, int position);
  // Reads record `line`, lets `edit` change it and writes it back.
  Outcome updateRecord(const std::string& path, int line, const std::function<Outcome(RecordImage&)>& edit);
  // Writes each record over the one it was read from; pictures stay. Writes
  // none when one of them cannot be found unchanged.
  Outcome writeRecords(const std::string& path, std::span<RecordEdit> edits);
  // Save As: a copy of `from`; refuses an existing `to`.
  Outcome copyDocument(const std::string& from, const std::string& to);

  // --- picture slots
  void setCapture(Picture picture);
  // Leaves the slot empty; the picture's memory may be filled and set again.
  Picture takeCapture();
  const Picture& capture() const { return m_capture; }
  const Picture& display() const { return m_displayIsCapture ? m_capture : m_display; }
  const Picture& cutOut() const { return m_cutOut; }
  int captureWidth() const { return m_capture.width; }
  bool cutPicture(int x, int y, int w, int h);
  bool writeCutPictureBase64(std::FILE* file) const;

  // The message for the user of the last failure; empty when it needs none.
  const std::string& message() const { return m_message; }

 private:
  bool openWriter(std::string& path, bool rollover);
  Outcome openLocked(const std::string& path, LockKind kind);
  Outcome loadTable(const std::string& path);
  Outcome initialiseEmpty(const std::string& path);
  Outcome commitTable(const QlmTable& table);
  bool readRecordBytes(int i, RecordImage::Bytes& bytes);
  Result<int> locate(const RecordKey& key);
  std::string noLine(int i) const;
  Outcome closeChange(Outcome done);
  Outcome copyRange(File& target, std::uint64_t targetOffset, std::uint64_t from, std::uint64_t to);
  std::string damaged(const std::string& reason) const;
  std::string damagedLine(int i, const std::string& reason) const;
  bool fail(std::string message);
  void closeFile();

  FileSystem& m_fs;
  std::uint64_t m_rolloverBytes = kRolloverBytes;

  RecordImage m_record;
  QlmTable m_table;
  Picture m_capture;
  Picture m_display;
  // A picture in colour is shown as it is, without a copy.
  bool m_displayIsCapture = true;
  Picture m_cutOut;

  std::unique_ptr<File> m_file;
  std::string m_path;    // as the caller named it, for messages
  std::string m_target;  // the file behind it, past any symbolic links
  std::uint64_t m_sizeAtOpen = 0;  // what a failed change cuts the file back to
  bool m_writing = false;
  bool m_writeFailed = false;
  std::unique_ptr<BlockMap> m_blocks;
  std::uint64_t m_position = 0;  // behind the record last read, or where the next append goes
  std::uint64_t m_blockEnd = 0;  // of the record last read
  int m_lastRead = -1;
  int m_readCount = 0;
  std::string m_message;
};

}  // namespace qlm
