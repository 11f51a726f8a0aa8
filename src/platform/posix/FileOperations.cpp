#include "platform/FileOperations.h"

#include <dirent.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <memory>

namespace qlm::functions {
namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int get() const { return m_fd; }

 private:
  int m_fd;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// A temporary file in the target's folder, removed unless kept.
class TemporaryBeside {
 public:
  explicit TemporaryBeside(const std::string& target) {
    std::size_t slash = target.rfind('/');
    m_path = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".qlmcopy-XXXXXX";
    m_fd = ::mkostemp(m_path.data(), O_CLOEXEC);
    if (m_fd < 0) m_error = errno;
  }
  TemporaryBeside(const TemporaryBeside&) = delete;
  TemporaryBeside& operator=(const TemporaryBeside&) = delete;
  ~TemporaryBeside() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_kept && m_error == 0) ::unlink(m_path.c_str());
  }

  int error() const { return m_error; }
  int fd() const { return m_fd; }
  const std::string& path() const { return m_path; }
  // Closing reports the late write errors of some file systems.
  int closeFile() {
    int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }
  void keep() { m_kept = true; }

 private:
  std::string m_path;
  int m_fd = -1;
  int m_error = 0;
  bool m_kept = false;
};

int writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int copyContents(int from, int to) {
  auto buffer = std::make_unique<char[]>(1 << 16);
  for (;;) {
    ssize_t got = ::read(from, buffer.get(), 1 << 16);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    if (int error = writeAll(to, buffer.get(), static_cast<std::size_t>(got))) return error;
  }
}

// Fills a temporary beside the target with the source's bytes and mode.
int copyToTemporary(const std::string& source, TemporaryBeside& temporary) {
  // Without O_NONBLOCK a pipe would hold the playback until someone writes to it.
  UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) return errno;
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  if (temporary.error()) return temporary.error();
  if (int error = copyContents(in.get(), temporary.fd())) return error;
  if (::fchmod(temporary.fd(), info.st_mode & 07777) != 0) return errno;
  if (::fsync(temporary.fd()) != 0) return errno;
  return temporary.closeFile();
}

bool noReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == ENOTSUP; }

// Puts `from` at `to` unless `to` exists; both on one file system.
int renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int error = errno;
  if (!noReplaceUnsupported(error)) return error;
  if (::link(from.c_str(), to.c_str()) == 0) return ::unlink(from.c_str()) == 0 ? 0 : errno;
  error = errno;
  if (error == EEXIST || error == EXDEV) return error;
  // Folders, and file systems without hard links: a small window remains
  // between the check and the rename.
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int copyThenDelete(const std::string& source, const std::string& target) {
  struct stat info {};
  if (::lstat(source.c_str(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EXDEV;
  if (::lstat(target.c_str(), &info) == 0) return EEXIST;
  TemporaryBeside temporary(target);
  if (int error = copyToTemporary(source, temporary)) return error;
  if (int error = renameNoReplace(temporary.path(), target)) return error;
  temporary.keep();
  if (::unlink(source.c_str()) != 0) {
    int error = errno;
    ::unlink(target.c_str());
    return error;
  }
  return 0;
}

bool isFolder(const std::string& folder, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat info {};
  std::string path = folder + "/" + entry.d_name;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int copyFile(const std::string& source, const std::string& target) {
  TemporaryBeside temporary(target);
  if (int error = copyToTemporary(source, temporary)) return error;
  if (::rename(temporary.path().c_str(), target.c_str()) != 0) return errno;
  temporary.keep();
  return 0;
}

int moveNoReplace(const std::string& source, const std::string& target) {
  int error = renameNoReplace(source, target);
  return error == EXDEV ? copyThenDelete(source, target) : error;
}

int deleteFile(const std::string& name) { return ::unlink(name.c_str()) == 0 ? 0 : errno; }

DirectoryListing listDirectory(const std::string& folder) {
  DirectoryListing listing;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) {
    listing.openError = errno;
    return listing;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) {
      listing.readError = errno;
      return listing;
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    listing.entries.push_back({std::string(name), isFolder(folder, *entry)});
  }
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

StdioFile openForAppending(const std::string& path) { return StdioFile(std::fopen(path.c_str(), "ab")); }

std::string loginName() {
  if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

bool standardInputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

}  // namespace qlm::functions
