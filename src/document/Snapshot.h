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
  Outcome deleteRecord(const std::string& path, int k);
  Outcome moveRecord(const std::string& path, int from, int to);
  Outcome duplicateRecord(const std::string& path, int source, int position);
  // Writes each record over its own in the file; pictures stay.
  Outcome rewriteRecords(const std::string& path, std::span<const RecordImage> records);
  // Save As: a copy of `from` holding `records`; refuses an existing `to`.
  Outcome copyDocument(const std::string& from, const std::string& to, std::span<const RecordImage> records);

  // --- picture slots
  void setCapture(Picture picture);
  const Picture& capture() const { return m_capture; }
  const Picture& display() const { return m_display; }
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
  Outcome writeRecordsInto(File& file, const std::string& name, std::span<const RecordImage> records);
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
  Picture m_cutOut;

  std::unique_ptr<File> m_file;
  std::string m_path;
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
