#include "document/CommitJournal.h"

#include <algorithm>
#include <cstring>

#include "document/ByteCodec.h"
#include "platform/PendingFile.h"

// Journal file, little-endian:
//    0  8   "QLMJRNL1"
//    8  8   u64 size of the file after the change
//   16  4   u32 number of pieces
//   20      per piece: u64 offset, u32 length, the bytes
//  end-8 8  u64 FNV-1a hash of everything before it

namespace qlm {
namespace {

constexpr char kJournalMagic[] = "QLMJRNL1";
constexpr std::size_t kMagicSize = 8;
constexpr std::size_t kFixedSize = kMagicSize + 8 + 4 + 8;
// A journal holds at most the table and the records of one document.
constexpr std::uint64_t kMaxJournalSize = 512ull << 20;

std::uint64_t fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 0x100000001b3ull;
  return hash;
}

void append(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

class PatchedFile final : public File {
 public:
  static Outcome readOnly() { return Outcome::failure("the file is open for reading only"); }
  PatchedFile(std::unique_ptr<File> base, Change change) : m_base(std::move(base)), m_change(std::move(change)) {}

  Result<std::size_t> readAt(std::uint64_t offset, void* data, std::size_t size) override {
    if (offset >= m_change.newSize) return std::size_t{0};
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_change.newSize - offset));
    Result<std::size_t> got = m_base->readAt(offset, data, size);
    if (!got) return got;
    std::fill(static_cast<std::uint8_t*>(data) + *got, static_cast<std::uint8_t*>(data) + size, 0);
    for (const Patch& patch : m_change.patches) {
      std::uint64_t from = std::max(offset, patch.offset);
      std::uint64_t to = std::min(offset + size, patch.offset + patch.bytes.size());
      if (from >= to) continue;
      std::memcpy(static_cast<std::uint8_t*>(data) + (from - offset), patch.bytes.data() + (from - patch.offset),
                  static_cast<std::size_t>(to - from));
    }
    return size;
  }
  Outcome writeAt(std::uint64_t, const void*, std::size_t) override { return readOnly(); }
  Result<std::uint64_t> size() override { return m_change.newSize; }
  Outcome truncate(std::uint64_t) override { return readOnly(); }
  Outcome sync() override { return readOnly(); }
  Outcome lock(LockKind kind) override { return m_base->lock(kind); }
  std::optional<FileId> id() override { return m_base->id(); }
  std::optional<unsigned> permissions() override { return m_base->permissions(); }
  Outcome setPermissions(unsigned) override { return readOnly(); }

 private:
  std::unique_ptr<File> m_base;
  Change m_change;
};

}  // namespace

std::string journalPathOf(const std::string& path) { return path + "-journal"; }

std::vector<std::uint8_t> encodeJournal(const Change& change) {
  std::vector<std::uint8_t> out(kJournalMagic, kJournalMagic + kMagicSize);
  append(out, change.newSize, 8);
  append(out, change.patches.size(), 4);
  for (const Patch& patch : change.patches) {
    append(out, patch.offset, 8);
    append(out, patch.bytes.size(), 4);
    out.insert(out.end(), patch.bytes.begin(), patch.bytes.end());
  }
  append(out, fnv1a(out.data(), out.size()), 8);
  return out;
}

std::optional<Change> decodeJournal(const std::vector<std::uint8_t>& data) {
  if (data.size() < kFixedSize || std::memcmp(data.data(), kJournalMagic, kMagicSize) != 0) return std::nullopt;
  std::size_t body = data.size() - 8;
  if (fnv1a(data.data(), body) != bytes::getU64(data, body)) return std::nullopt;
  Change change;
  change.newSize = bytes::getU64(data, 8);
  std::uint32_t pieces = bytes::getU32(data, 16);
  std::size_t at = 20;
  for (std::uint32_t i = 0; i < pieces; ++i) {
    if (body - at < 12) return std::nullopt;
    Patch patch;
    patch.offset = bytes::getU64(data, at);
    std::uint32_t length = bytes::getU32(data, at + 8);
    at += 12;
    if (body - at < length) return std::nullopt;
    patch.bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
    change.patches.push_back(std::move(patch));
  }
  if (at != body) return std::nullopt;
  return change;
}

std::optional<Change> readJournal(FileSystem& fs, const std::string& path) {
  std::string journalPath = journalPathOf(path);
  if (!fs.exists(journalPath)) return std::nullopt;
  auto journal = fs.open(journalPath, OpenMode::Read);
  if (!journal) return std::nullopt;
  auto size = (*journal)->size();
  if (!size || *size > kMaxJournalSize) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(*size));
  auto got = (*journal)->readAt(0, data.data(), data.size());
  if (!got || *got != data.size()) return std::nullopt;
  return decodeJournal(data);
}

Outcome CommitJournal::apply(File& file, const Change& change) {
  for (const Patch& patch : change.patches) {
    if (Outcome written = file.writeAt(patch.offset, patch.bytes.data(), patch.bytes.size()); !written) return written;
  }
  auto size = file.size();
  if (!size) return size.outcome();
  if (*size != change.newSize) {
    if (Outcome truncated = file.truncate(change.newSize); !truncated) return truncated;
  }
  return file.sync();
}

Outcome CommitJournal::commit(File& file, const Change& change) {
  std::string journalPath = journalPathOf(m_path);
  {
    // Renamed into place once whole and flushed, so that its name never
    // leads anywhere else.
    PendingFile journal(m_fs, journalPath);
    std::vector<std::uint8_t> data = encodeJournal(change);
    Outcome written = journal.file() ? Outcome::success() : Outcome::failure(journal.creationError());
    if (written) written = journal.file()->writeAt(0, data.data(), data.size());
    if (written) written = journal.publish(PendingFile::Naming::Replace);
    if (!written) {
      // Not committed; the file itself is untouched.
      m_fs.remove(journalPath);
      return written;
    }
  }
  // Committed from here on: a piece that fails to reach the file is
  // replayed from the journal by the next writer, and readers apply it.
  if (!apply(file, change)) return Outcome::success();
  // A journal left behind would later be replayed over newer changes.
  if (m_fs.remove(journalPath)) m_fs.syncFolderOf(journalPath);
  return Outcome::success();
}

Outcome CommitJournal::recover(File& file) {
  std::string journalPath = journalPathOf(m_path);
  if (!m_fs.exists(journalPath)) return Outcome::success();
  if (std::optional<Change> change = readJournal(m_fs, m_path)) {
    if (Outcome applied = apply(file, *change); !applied) return applied;
  }
  if (Outcome removed = m_fs.remove(journalPath); !removed) return removed;
  return m_fs.syncFolderOf(journalPath);
}

std::unique_ptr<File> withChangeApplied(std::unique_ptr<File> file, Change change) {
  return std::make_unique<PatchedFile>(std::move(file), std::move(change));
}

}  // namespace qlm
