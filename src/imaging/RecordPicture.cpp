#include "imaging/RecordPicture.h"

#include "document/Snapshot.h"

namespace qlm {

Result<Picture> readRecordPicture(const std::string& path, int index) {
  Snapshot reader;
  if (!reader.OpenQlmFileR(path)) return Result<Picture>::failure(reader.message());
  const bool read = reader.GetAttrQlm1R(index) == 0 && reader.GetImgQlm1R(true);
  std::string message = reader.message();
  reader.CloseQlmFileR();
  if (!read) {
    if (message.empty()) message = "record " + std::to_string(index + 1) + " has no picture";
    return Result<Picture>::failure(std::move(message));
  }
  return reader.capture();
}

}  // namespace qlm
