#pragma once
// A large document written block by block straight after its table, as a
// recorder would have left it: far faster than appending record by record.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/QlmTable.h"
#include "document/RecordImage.h"
#include "document/BmpBlock.h"

namespace qlm::bench {

inline void writeLargeDocument(const std::string& path, int records, const Picture& picture,
                               const std::function<RecordImage(int)>& recordFor) {
  std::vector<std::uint8_t> pictureBytes = bmpFileBytes(picture);
  QlmTable table = QlmTable::empty();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  std::uint64_t end = kDataStart;
  for (int i = 0; i < records; ++i) {
    RecordImage record = recordFor(i);
    record.set(IntField::Number, i);
    table.setEntry(i, static_cast<std::uint32_t>(end));
    (void)!::pwrite(fd, record.bytes().data(), kRecordSize, static_cast<off_t>(end));
    (void)!::pwrite(fd, pictureBytes.data(), pictureBytes.size(), static_cast<off_t>(end + kRecordSize));
    end += kRecordSize + pictureBytes.size();
  }
  table.setCount(records);
  table.setEntry(records, static_cast<std::uint32_t>(end));
  (void)!::pwrite(fd, table.bytes().data(), table.bytes().size(), 0);
  ::close(fd);
}

}  // namespace qlm::bench
