#pragma once
// The header and the record index at the start of a document file, kept as
// their 160,032 bytes (layout in QlmTable.cpp), and the rearrangements of the
// index that deleting, moving and duplicating records make.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/RecordImage.h"

namespace qlm {

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kIndexSize = 4 * static_cast<std::size_t>(kMaxRecords);
inline constexpr std::size_t kTableSize = kHeaderSize + kIndexSize;
inline constexpr std::uint32_t kDataStart = static_cast<std::uint32_t>(kTableSize);
inline constexpr std::string_view kMagic = "QLM0001.20090426";
inline constexpr std::string_view kFormatId = "QLM0001";

class QlmTable {
 public:
  // A new document: magic, capacity, count 0, entry 0 at the start of the data.
  static QlmTable empty();
  static QlmTable fromBytes(std::span<const std::uint8_t, kTableSize> bytes);

  std::span<const std::uint8_t> bytes() const { return m_bytes; }
  std::string formatId() const;  // the first 7 characters
  bool hasFormatId() const { return formatId() == kFormatId; }

  int count() const;
  void setCount(int count);
  bool countInRange() const { return count() >= 0 && count() <= kMaxRecordsInFile; }
  std::uint32_t entry(int i) const;
  void setEntry(int i, std::uint32_t offset);
  std::uint32_t endOfData() const { return entry(count()); }

  // New tables for the rearrangements; the counts must be in range.
  QlmTable withoutRecord(int k, std::uint32_t span) const;
  QlmTable withMove(int from, int to) const;
  QlmTable withCopyAppended(int position, std::uint32_t span) const;
  QlmTable withAppended(std::uint32_t newEnd) const;

 private:
  std::vector<std::uint8_t> m_bytes;
};

// Where each record's block ends, and what is wrong with a record or with
// the whole index: every offset read from the file is checked here before it
// is used.
class BlockMap {
 public:
  BlockMap(const QlmTable& table, std::uint64_t fileSize);

  // Smallest entry among 0..count above `start`, else the end of the file.
  std::uint64_t blockEnd(std::uint32_t start) const;
  // Why record i cannot be read, if it cannot.
  std::optional<std::string> recordDamage(int i) const;
  // Why the file must not be changed, if it must not: every block has to lie
  // between the index and the end of the data, each at its own offset and
  // long enough for its record.
  std::optional<std::string> tableDamage() const;

 private:
  QlmTable m_table;
  std::uint64_t m_fileSize;
  std::vector<std::uint32_t> m_sorted;
};

}  // namespace qlm
