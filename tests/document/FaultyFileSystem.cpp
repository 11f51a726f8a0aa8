#include "FaultyFileSystem.h"

namespace qlm::testing {
namespace {

class FaultyFile final : public File {
 public:
  FaultyFile(FaultyFileSystem& fs, std::unique_ptr<File> real) : m_fs(fs), m_real(std::move(real)) {}

  std::int64_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
    return m_real->readAt(offset, data, size);
  }
  bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (m_fs.dead()) return false;
    if (!m_fs.allowWrite()) {
      m_real->writeAt(offset, data, size / 2);
      return false;
    }
    return m_real->writeAt(offset, data, size);
  }
  std::optional<std::uint64_t> size() override { return m_real->size(); }
  bool truncate(std::uint64_t size) override { return m_fs.allowWrite() && m_real->truncate(size); }
  bool sync() override { return m_fs.allowFlush() && m_real->sync(); }
  bool lock(LockKind kind) override { return m_real->lock(kind); }
  std::optional<FileId> id() override { return m_real->id(); }
  std::optional<unsigned> permissions() override { return m_real->permissions(); }
  bool setPermissions(unsigned mode) override { return m_fs.allowWrite() && m_real->setPermissions(mode); }

 private:
  FaultyFileSystem& m_fs;
  std::unique_ptr<File> m_real;
};

}  // namespace

bool FaultyFileSystem::allowWrite() {
  if (dead()) return false;
  if (++m_writes == m_plan.failWrite) m_faulted = true;
  return m_writes != m_plan.failWrite;
}

bool FaultyFileSystem::allowFlush() {
  if (dead()) return false;
  if (++m_flushes == m_plan.failFlush) m_faulted = true;
  return m_flushes != m_plan.failFlush;
}

std::unique_ptr<File> FaultyFileSystem::open(const std::string& path, OpenMode mode) {
  if (dead() && mode != OpenMode::Read) return nullptr;
  auto real = m_real.open(path, mode);
  if (!real) return nullptr;
  return std::make_unique<FaultyFile>(*this, std::move(real));
}

std::unique_ptr<File> FaultyFileSystem::createBeside(const std::string& target, std::string& name) {
  if (dead()) return nullptr;
  auto real = m_real.createBeside(target, name);
  if (!real) return nullptr;
  return std::make_unique<FaultyFile>(*this, std::move(real));
}

}  // namespace qlm::testing
