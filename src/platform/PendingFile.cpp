#include "platform/PendingFile.h"

namespace qlm {

PendingFile::PendingFile(FileSystem& fs, std::string target)
    : m_fs(fs), m_target(std::move(target)) {
  Result<std::unique_ptr<File>> created = m_fs.createBeside(m_target, m_temporary);
  m_created = static_cast<bool>(created);
  if (m_created) {
    m_file = std::move(*created);
  } else {
    m_error = "Cannot create a file beside " + m_target + ": " + created.error();
  }
}

PendingFile::~PendingFile() {
  m_file.reset();
  if (m_created && !m_named) m_fs.remove(m_temporary);
}

Outcome PendingFile::publish(Naming naming, std::optional<unsigned> permissions) {
  if (!m_file) return Outcome::failure(m_error);
  Outcome flushed = permissions ? m_file->setPermissions(*permissions) : Outcome::success();
  if (flushed) flushed = m_file->sync();
  if (!flushed) return Outcome::failure("Cannot write " + m_target + ": " + flushed.message);
  m_file.reset();
  if (naming == Naming::Replace) {
    if (Outcome renamed = m_fs.rename(m_temporary, m_target); !renamed) {
      return Outcome::failure("Cannot write " + m_target + ": " + renamed.message);
    }
    m_named = true;
  } else {
    // link() refuses an existing name, with no window between looking and naming.
    if (Outcome linked = m_fs.link(m_temporary, m_target); !linked) {
      return Outcome::failure(m_fs.exists(m_target) ? "The file " + m_target + " already exists; choose another name."
                                                   : "Cannot write " + m_target + ": " + linked.message);
    }
  }
  // The file has its name and the change is made; only whether the name
  // would survive a power cut is unsure, and nothing can take it back now.
  m_fs.syncFolderOf(m_target);
  return Outcome::success();
}

}  // namespace qlm
