#include "platform/PendingFile.h"

namespace qlm {

PendingFile::PendingFile(FileSystem& fs, std::string target)
    : m_fs(fs), m_target(std::move(target)) {
  m_file = m_fs.createBeside(m_target, m_temporary);
  m_created = m_file != nullptr;
  if (!m_created) m_error = "Cannot create a file beside " + m_target + ": " + m_fs.lastError();
}

PendingFile::~PendingFile() {
  m_file.reset();
  if (m_created && !m_named) m_fs.remove(m_temporary);
}

Outcome PendingFile::publish(Naming naming, std::optional<unsigned> permissions) {
  if (!m_file) return Outcome::failure(m_error);
  if ((permissions && !m_file->setPermissions(*permissions)) || !m_file->sync()) {
    return Outcome::failure("Cannot write " + m_target + ": " + m_fs.lastError());
  }
  m_file.reset();
  if (naming == Naming::Replace) {
    if (!m_fs.rename(m_temporary, m_target)) return Outcome::failure("Cannot write " + m_target + ": " + m_fs.lastError());
    m_named = true;
  } else {
    // link() refuses an existing name, with no window between looking and naming.
    if (!m_fs.link(m_temporary, m_target)) {
      return Outcome::failure(m_fs.exists(m_target) ? "The file " + m_target + " already exists; choose another name."
                                                   : "Cannot write " + m_target + ": " + m_fs.lastError());
    }
  }
  // The file has its name and the change is made; only whether the name
  // would survive a power cut is unsure, and nothing can take it back now.
  m_fs.syncFolderOf(m_target);
  return Outcome::success();
}

}  // namespace qlm
