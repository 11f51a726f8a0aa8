#include "FaultyFileSystem.h"

namespace qlm::testing {
namespace {

Outcome injectedFault() { return Outcome::failure("injected fault"); }

class FaultyFile final : public File {
 public:
  FaultyFile(FaultyFileSystem& fs, std::unique_ptr<File> real) : m_fs(fs), m_real(std::move(real)) {}

  Result<std::size_t> readAt(std::uint64_t offset, void* data, std::size_t size) override {
    return m_real->readAt(offset, data, size);
  }
  Outcome writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (m_fs.dead()) return injectedFault();
    if (Outcome allowed = m_fs.allowWrite(); !allowed) {
      m_real->writeAt(offset, data, size / 2);
      return allowed;
    }
    return m_real->writeAt(offset, data, size);
  }
  Result<std::uint64_t> size() override { return m_real->size(); }
  Outcome truncate(std::uint64_t size) override {
    return FaultyFileSystem::after(m_fs.allowWrite(), [&] { return m_real->truncate(size); });
  }
  Outcome sync() override { return FaultyFileSystem::after(m_fs.allowFlush(), [&] { return m_real->sync(); }); }
  Outcome lock(LockKind kind) override { return m_real->lock(kind); }
  std::optional<FileId> id() override { return m_real->id(); }
  std::optional<unsigned> permissions() override { return m_real->permissions(); }
  Outcome setPermissions(unsigned mode) override {
    return FaultyFileSystem::after(m_fs.allowWrite(), [&] { return m_real->setPermissions(mode); });
  }

 private:
  FaultyFileSystem& m_fs;
  std::unique_ptr<File> m_real;
};

}  // namespace

Outcome FaultyFileSystem::allow(int& count, int failAt) {
  if (dead()) return injectedFault();
  if (++count != failAt) return Outcome::success();
  m_faulted = true;
  return injectedFault();
}

Result<std::unique_ptr<File>> FaultyFileSystem::open(const std::string& path, OpenMode mode) {
  if (dead() && mode != OpenMode::Read) return Result<std::unique_ptr<File>>::failure(injectedFault());
  auto real = m_real.open(path, mode);
  if (!real) return real;
  return std::unique_ptr<File>(std::make_unique<FaultyFile>(*this, std::move(*real)));
}

Result<std::unique_ptr<File>> FaultyFileSystem::createBeside(const std::string& target, std::string& name) {
  if (dead()) return Result<std::unique_ptr<File>>::failure(injectedFault());
  auto real = m_real.createBeside(target, name);
  if (!real) return real;
  return std::unique_ptr<File>(std::make_unique<FaultyFile>(*this, std::move(*real)));
}

}  // namespace qlm::testing
