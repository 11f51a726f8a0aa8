#pragma once
// Makes a change to a document file all-or-nothing. The change is written
// first, with a checksum, to "<file>-journal" beside it and flushed; only
// then are its pieces written into the file, which is flushed before the
// journal is removed. A journal that is whole is the committed change and is
// replayed by the next writer (readers apply it in memory); a torn one never
// committed and is dropped.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Result.h"

namespace qlm {

struct Patch {
  std::uint64_t offset = 0;
  std::vector<std::uint8_t> bytes;
};

struct Change {
  std::vector<Patch> patches;
  std::uint64_t newSize = 0;  // the file is cut or grown to this size
};

std::string journalPathOf(const std::string& path);

// Journal bytes for a change, and back; parsing checks every length.
std::vector<std::uint8_t> encodeJournal(const Change& change);
std::optional<Change> decodeJournal(const std::vector<std::uint8_t>& bytes);

// The committed change left by a writer that stopped half-way, if any.
std::optional<Change> readJournal(FileSystem& fs, const std::string& path);

class CommitJournal {
 public:
  CommitJournal(FileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}

  // Call with the file locked for writing. Writes `change` durably.
  Outcome commit(File& file, const Change& change);
  // Replays or drops what a stopped writer left.
  Outcome recover(File& file);

 private:
  Outcome apply(File& file, const Change& change);

  FileSystem& m_fs;
  std::string m_path;
};

// A read-only view of a file with a committed change laid over it.
std::unique_ptr<File> withChangeApplied(std::unique_ptr<File> file, Change change);

}  // namespace qlm
