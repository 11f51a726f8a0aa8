#pragma once
// The system's files, except that the n-th write or the n-th flush fails.
// A failing write first puts half of its bytes down, as a torn write would.
// In crash mode nothing at all reaches the disk after the failure, as if the
// program had died there.
#include <functional>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace qlm::testing {

struct FaultPlan {
  int failWrite = 0;  // 1-based; 0 never
  int failFlush = 0;
  bool crash = false;
};

class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(FaultPlan plan) : m_plan(plan) {}

  bool faulted() const { return m_faulted; }

  // Counts a write (or a change of names) or a flush; a failure when it is to fail.
  Outcome allowWrite() { return allow(m_writes, m_plan.failWrite); }
  Outcome allowFlush() { return allow(m_flushes, m_plan.failFlush); }
  bool dead() const { return m_faulted && m_plan.crash; }

  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override;
  Result<std::unique_ptr<File>> createBeside(const std::string& target, std::string& name) override;
  std::string resolve(const std::string& path) override { return m_real.resolve(path); }
  std::optional<FileId> id(const std::string& path) override { return m_real.id(path); }
  bool exists(const std::string& path) override { return m_real.exists(path); }
  Outcome rename(const std::string& from, const std::string& to) override {
    return after(allowWrite(), [&] { return m_real.rename(from, to); });
  }
  Outcome link(const std::string& from, const std::string& to) override {
    return after(allowWrite(), [&] { return m_real.link(from, to); });
  }
  Outcome remove(const std::string& path) override { return after(allowWrite(), [&] { return m_real.remove(path); }); }
  Outcome syncFolderOf(const std::string& path) override {
    return after(allowFlush(), [&] { return m_real.syncFolderOf(path); });
  }
  // `step` once the fault plan allows it.
  static Outcome after(Outcome allowed, const std::function<Outcome()>& step) { return allowed ? step() : allowed; }

 private:
  Outcome allow(int& count, int failAt);

  FileSystem& m_real = systemFileSystem();
  FaultPlan m_plan;
  int m_writes = 0;
  int m_flushes = 0;
  bool m_faulted = false;
};

}  // namespace qlm::testing
