// The document file reader on arbitrary bytes, from an in-memory file.
#include <cstring>

#include "document/Snapshot.h"

namespace {

class MemoryFile final : public qlm::File {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  std::int64_t readAt(std::uint64_t offset, void* out, std::size_t size) override {
    if (offset >= m_size) return 0;
    std::size_t got = std::min<std::uint64_t>(size, m_size - offset);
    std::memcpy(out, m_data + offset, got);
    return static_cast<std::int64_t>(got);
  }
  bool writeAt(std::uint64_t, const void*, std::size_t) override { return false; }
  std::optional<std::uint64_t> size() override { return m_size; }
  bool truncate(std::uint64_t) override { return false; }
  bool sync() override { return false; }
  bool lock(qlm::LockKind) override { return true; }
  std::optional<qlm::FileId> id() override { return qlm::FileId{1, 1}; }
  std::optional<unsigned> permissions() override { return 0644; }
  bool setPermissions(unsigned) override { return false; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

class MemoryFileSystem final : public qlm::FileSystem {
 public:
  MemoryFileSystem(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  std::unique_ptr<qlm::File> open(const std::string& path, qlm::OpenMode mode) override {
    if (path != kPath || mode != qlm::OpenMode::Read) return nullptr;
    return std::make_unique<MemoryFile>(m_data, m_size);
  }
  std::unique_ptr<qlm::File> createBeside(const std::string&, std::string&) override { return nullptr; }
  std::string resolve(const std::string& path) override { return path; }
  std::optional<qlm::FileId> id(const std::string& path) override {
    if (path != kPath) return std::nullopt;
    return qlm::FileId{1, 1};
  }
  bool exists(const std::string& path) override { return path == kPath; }
  bool rename(const std::string&, const std::string&) override { return false; }
  bool link(const std::string&, const std::string&) override { return false; }
  bool remove(const std::string&) override { return false; }
  bool syncFolderOf(const std::string&) override { return false; }
  std::string lastError() const override { return "in memory"; }

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
