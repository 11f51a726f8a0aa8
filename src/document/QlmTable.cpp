#include "document/QlmTable.h"

#include <algorithm>

#include "document/ByteCodec.h"

// Document file, little-endian:
//
//  file offset  size     region
//            0  32       header
//           32  160,000  record index: 40,000 u32 entries
//      160,032  rest     record blocks: a 2,652-byte record, then its picture
//                        (bitmap file header, information header, pixels; BmpBlock.cpp)
//
//  header offset  size  content
//              0  17    "QLM0001.20090426" and its NUL; only "QLM0001" is compared
//             17  3     reserved, 0
//             20  4     u32 index capacity, 40,000
//             24  4     i32 record count
//             28  4     reserved, 0
//
// Entry i < count is the offset of the block at list position i; entry
// [count] is the end of the data, where the next block goes, so a file holds
// at most 39,999 records. Entries past [count] are 0. Blocks need not lie in
// index order; a block runs up to the next greater entry among 0..count.

namespace qlm {
namespace {

constexpr std::size_t kCapacityOffset = 20;
constexpr std::size_t kCountOffset = 24;

std::size_t entryOffset(int i) { return kHeaderSize + 4 * static_cast<std::size_t>(i); }

}  // namespace

QlmTable QlmTable::empty() {
  QlmTable table;
  table.m_bytes.assign(kTableSize, 0);
  std::copy(kMagic.begin(), kMagic.end(), table.m_bytes.begin());
  bytes::putU32(table.m_bytes, kCapacityOffset, kMaxRecords);
  table.setEntry(0, kDataStart);
  return table;
}

QlmTable QlmTable::fromBytes(std::span<const std::uint8_t, kTableSize> data) {
  QlmTable table;
  table.m_bytes.assign(data.begin(), data.end());
  return table;
}

std::string QlmTable::formatId() const { return std::string(m_bytes.begin(), m_bytes.begin() + kFormatId.size()); }

int QlmTable::count() const { return bytes::getI32(m_bytes, kCountOffset); }
void QlmTable::setCount(int count) { bytes::putI32(m_bytes, kCountOffset, count); }
std::uint32_t QlmTable::entry(int i) const { return bytes::getU32(m_bytes, entryOffset(i)); }
void QlmTable::setEntry(int i, std::uint32_t offset) { bytes::putU32(m_bytes, entryOffset(i), offset); }

QlmTable QlmTable::withoutRecord(int k, std::uint32_t span) const {
  QlmTable next = *this;
  std::uint32_t start = entry(k);
  int kept = 0;
  for (int i = 0; i <= count(); ++i) {
    std::uint32_t offset = entry(i);
    if (offset == start) continue;
    next.setEntry(kept++, offset < start ? offset : offset - span);
  }
  for (int i = kept; i <= count(); ++i) next.setEntry(i, 0);
  next.setCount(count() - 1);
  return next;
}

QlmTable QlmTable::withMove(int from, int to) const {
  QlmTable next = *this;
  std::uint32_t moved = entry(from);
  if (from < to) {
    for (int i = from; i < to; ++i) next.setEntry(i, entry(i + 1));
  } else {
    for (int i = from; i > to; --i) next.setEntry(i, entry(i - 1));
  }
  next.setEntry(to, moved);
  return next;
}

QlmTable QlmTable::withCopyAppended(int position, std::uint32_t span) const {
  QlmTable next = *this;
  int n = count();
  std::uint32_t end = entry(n);
  next.setEntry(n + 1, end + span);
  for (int i = n; i > position; --i) next.setEntry(i, entry(i - 1));
  next.setEntry(position, end);
  next.setCount(n + 1);
  return next;
}

QlmTable QlmTable::withAppended(std::uint32_t newEnd) const {
  QlmTable next = *this;
  next.setCount(count() + 1);
  next.setEntry(count() + 1, newEnd);
  return next;
}

BlockMap::BlockMap(const QlmTable& table, std::uint64_t fileSize) : m_table(table), m_fileSize(fileSize) {
  if (!table.countInRange()) return;
  m_sorted.reserve(static_cast<std::size_t>(table.count()) + 1);
  for (int i = 0; i <= table.count(); ++i) m_sorted.push_back(table.entry(i));
  std::sort(m_sorted.begin(), m_sorted.end());
}

std::uint64_t BlockMap::blockEnd(std::uint32_t start) const {
  auto next = std::upper_bound(m_sorted.begin(), m_sorted.end(), start);
  return next == m_sorted.end() ? m_fileSize : std::min<std::uint64_t>(*next, m_fileSize);
}

std::optional<std::string> BlockMap::recordDamage(int i) const {
  std::uint32_t start = m_table.entry(i);
  if (start < kDataStart) return "its index entry " + std::to_string(start) + " points into the header";
  if (start >= m_fileSize) return "its index entry " + std::to_string(start) + " lies past the end of the file";
  if (blockEnd(start) - start < kRecordSize) return "the record is cut short";
  return std::nullopt;
}

std::optional<std::string> BlockMap::tableDamage() const {
  if (!m_table.countInRange()) return "the record count " + std::to_string(m_table.count()) + " is out of range";
  std::uint32_t end = m_table.endOfData();
  if (end < kDataStart || end > m_fileSize) return "the end of its data lies outside the file";
  for (std::size_t i = 1; i < m_sorted.size(); ++i) {
    if (m_sorted[i] == m_sorted[i - 1]) return "two index entries point to the same block";
  }
  for (int i = 0; i < m_table.count(); ++i) {
    std::uint32_t start = m_table.entry(i);
    if (start < kDataStart || start >= end) return "the index entry of line " + std::to_string(i + 1) + " is out of order";
    if (blockEnd(start) - start < kRecordSize) return "line " + std::to_string(i + 1) + " is cut short";
  }
  return std::nullopt;
}

}  // namespace qlm
