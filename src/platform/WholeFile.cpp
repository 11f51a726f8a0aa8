#include "platform/WholeFile.h"

#include "platform/PendingFile.h"

namespace qlm {

Result<std::vector<std::uint8_t>> readWholeFile(FileSystem& fs, const std::string& path, std::uint64_t limit) {
  using Failure = Result<std::vector<std::uint8_t>>;
  auto file = fs.open(path, OpenMode::Read);
  if (!file) return Failure::failure("cannot read " + file.error());
  auto size = (*file)->size();
  if (!size) return Failure::failure("cannot read " + path + ": " + size.error());
  if (*size > limit) return Failure::failure(path + " is too large: more than " + std::to_string(limit) + " bytes");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*size));
  Result<std::size_t> got = (*file)->readAt(0, bytes.data(), bytes.size());
  if (!got) return Failure::failure("cannot read " + path + ": " + got.error());
  bytes.resize(*got);
  return bytes;
}

Outcome writeWholeFile(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes) {
  // Only a regular file is replaced: never a device, and a link keeps
  // leading to the new file.
  std::string target = fs.resolve(path);
  if (fs.exists(target)) {
    auto existing = fs.open(target, OpenMode::Read);
    if (!existing) return Outcome::failure("Cannot write " + existing.error());
  }
  PendingFile pending(fs, target);
  if (!pending.file()) return Outcome::failure(pending.creationError());
  if (Outcome written = pending.file()->writeAt(0, bytes.data(), bytes.size()); !written) {
    return Outcome::failure("Cannot write " + path + ": " + written.message);
  }
  return pending.publish(PendingFile::Naming::Replace);
}

}  // namespace qlm
