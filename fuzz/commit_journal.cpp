// The journal left beside a document is read back after a crash: whatever its
// bytes, decoding must not crash or allocate without bound, and what decodes
// must encode to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/CommitJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  std::optional<qlm::Change> change = qlm::decodeJournal(bytes);
  if (!change) return 0;
  std::size_t patched = 0;
  for (const qlm::Patch& patch : change->patches) patched += patch.bytes.size();
  if (patched > size) __builtin_trap();
  if (qlm::encodeJournal(*change) != bytes) __builtin_trap();
  return 0;
}
