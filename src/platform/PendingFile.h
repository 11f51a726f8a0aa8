#pragma once
// A file written under a temporary name beside its target and given the
// target's name only when it is complete and on disk, so that the name holds
// either nothing new or the whole new file.
#include <memory>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Outcome.h"

namespace qlm {

class PendingFile {
 public:
  enum class Naming { Replace, NewName };

  PendingFile(FileSystem& fs, std::string target);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Null when the temporary file could not be made; see creationError().
  File* file() { return m_file.get(); }
  const std::string& creationError() const { return m_error; }

  // Flushes the file and names it; NewName fails when the target exists.
  Outcome publish(Naming naming, std::optional<unsigned> permissions = std::nullopt);

 private:
  FileSystem& m_fs;
  std::string m_target;
  std::string m_temporary;
  std::unique_ptr<File> m_file;
  std::string m_error;
  bool m_created = false;
  bool m_named = false;
};

}  // namespace qlm
