#include "imaging/RecordPicture.h"

#include "document/Snapshot.h"

namespace qlm {

Result<Picture> readRecordPicture(const std::string& path, int index) {
  Snapshot reader;
  if (!reader.openForReading(path)) return Result<Picture>::failure(reader.message());
  const bool read = reader.readRecord(index) == 0 && reader.readPicture(true);
  std::string message = reader.message();
  reader.closeReading();
  if (!read) {
    if (message.empty()) message = "record " + std::to_string(index + 1) + " has no picture";
    return Result<Picture>::failure(std::move(message));
  }
  return reader.capture();
}

}  // namespace qlm
