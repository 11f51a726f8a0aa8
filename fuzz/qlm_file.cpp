// The document file reader on arbitrary bytes, from an in-memory file.
#include <cstring>

#include "document/Snapshot.h"

namespace {

qlm::Outcome readOnly() { return qlm::Outcome::failure("in memory"); }

class MemoryFile final : public qlm::File {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  qlm::Result<std::size_t> readAt(std::uint64_t offset, void* out, std::size_t size) override {
    if (offset >= m_size) return std::size_t{0};
    std::size_t got = std::min<std::uint64_t>(size, m_size - offset);
    std::memcpy(out, m_data + offset, got);
    return got;
  }
  qlm::Outcome writeAt(std::uint64_t, const void*, std::size_t) override { return readOnly(); }
  qlm::Result<std::uint64_t> size() override { return std::uint64_t{m_size}; }
  qlm::Outcome truncate(std::uint64_t) override { return readOnly(); }
  qlm::Outcome sync() override { return readOnly(); }
  qlm::Outcome lock(qlm::LockKind) override { return qlm::Outcome::success(); }
  std::optional<qlm::FileId> id() override { return qlm::FileId{1, 1}; }
  std::optional<unsigned> permissions() override { return 0644; }
  qlm::Outcome setPermissions(unsigned) override { return readOnly(); }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

class MemoryFileSystem final : public qlm::FileSystem {
  using Opened = qlm::Result<std::unique_ptr<qlm::File>>;

 public:
  MemoryFileSystem(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  qlm::Result<std::unique_ptr<qlm::File>> open(const std::string& path, qlm::OpenMode mode) override {
    if (path != kPath || mode != qlm::OpenMode::Read) return Opened::failure(readOnly());
    return std::unique_ptr<qlm::File>(std::make_unique<MemoryFile>(m_data, m_size));
  }
  qlm::Result<std::unique_ptr<qlm::File>> createBeside(const std::string&, std::string&) override {
    return Opened::failure(readOnly());
  }
  std::string resolve(const std::string& path) override { return path; }
  std::optional<qlm::FileId> id(const std::string& path) override {
    if (path != kPath) return std::nullopt;
    return qlm::FileId{1, 1};
  }
  bool exists(const std::string& path) override { return path == kPath; }
  qlm::Outcome rename(const std::string&, const std::string&) override { return readOnly(); }
  qlm::Outcome link(const std::string&, const std::string&) override { return readOnly(); }
  qlm::Outcome remove(const std::string&) override { return readOnly(); }
  qlm::Outcome syncFolderOf(const std::string&) override { return readOnly(); }

  static constexpr const char* kPath = "/fuzz/input.qlm";

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFileSystem fs(data, size);
  qlm::Snapshot reader(fs);
  if (!reader.openForReading(MemoryFileSystem::kPath)) return 0;
  for (int i = 0; i < reader.count(); ++i) {
    if (reader.readRecord(i) != 0) continue;
    (void)reader.recordDateText();
    if (reader.readPicture(i % 2 == 0) && reader.cutPicture(1, 1, 3, 3)) (void)qlm::bmpFileBytes(reader.cutOut());
  }
  reader.closeReading();
  return 0;
}
