#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "platform/FileSystem.h"

namespace qlm {
namespace {

// How long an open waits for another program to finish with the file.
constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kLockPoll = std::chrono::milliseconds(10);

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }
Outcome systemFailure(const std::string& what) {
  const int code = errno;
  return Outcome::failure(what + ": " + std::strerror(code), code);
}

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

const char* kindOfNonRegular(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// Non-blocking while opening, so that a pipe never waits for a writer;
// anything but a regular file is closed again untouched.
Result<int> openRegular(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
  if (fd < 0) return Result<int>::failure(systemError(path));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    std::string error = systemError(path);
    ::close(fd);
    return Result<int>::failure(error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Result<int>::failure(path + ": " + kindOfNonRegular(st.st_mode) + ", not a file");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::string randomSuffix() {
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kDigits[random() % 36];
  return suffix;
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : m_fd(fd) {}
  ~PosixFile() override { ::close(m_fd); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Result<std::size_t> readAt(std::uint64_t offset, void* data, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      ssize_t got = ::pread(m_fd, static_cast<char*>(data) + done, size - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return Result<std::size_t>::failure(systemError("read"));
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  Outcome writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      ssize_t put = ::pwrite(m_fd, static_cast<const char*>(data) + done, size - done, static_cast<off_t>(offset + done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return systemFailure("write");
      done += static_cast<std::size_t>(put);
    }
    return Outcome::success();
  }

  Result<std::uint64_t> size() override {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return Result<std::uint64_t>::failure(systemError("stat"));
    return static_cast<std::uint64_t>(st.st_size);
  }

  Outcome truncate(std::uint64_t size) override {
    if (::ftruncate(m_fd, static_cast<off_t>(size)) == 0) return Outcome::success();
    return systemFailure("truncate");
  }

  Outcome sync() override {
    if (::fsync(m_fd) == 0) return Outcome::success();
    return systemFailure("fsync");
  }

  // flock, not fcntl: fcntl locks belong to the process and vanish when any
  // descriptor of the file is closed, and the delete opens a second one.
  Outcome lock(LockKind kind) override {
    int operation = (kind == LockKind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(m_fd, operation) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return systemFailure("lock");
      if (std::chrono::steady_clock::now() >= deadline) {
        return Outcome::failure("the file is in use by another program");
      }
      std::this_thread::sleep_for(kLockPoll);
    }
    return Outcome::success();
  }

  std::optional<FileId> id() override {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  }

  std::optional<unsigned> permissions() override {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return std::nullopt;
    return static_cast<unsigned>(st.st_mode & 07777);
  }

  Outcome setPermissions(unsigned mode) override {
    if (::fchmod(m_fd, static_cast<mode_t>(mode)) == 0) return Outcome::success();
    return systemFailure("chmod");
  }

 private:
  int m_fd;
};

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Read: flags |= O_RDONLY; break;
      case OpenMode::ReadWrite: flags |= O_RDWR; break;
      case OpenMode::Create: flags |= O_RDWR | O_CREAT; break;
      case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    }
    Result<int> fd = openRegular(path, flags);
    if (!fd) return Result<std::unique_ptr<File>>::failure(fd.error());
    return std::unique_ptr<File>(std::make_unique<PosixFile>(*fd));
  }

  Result<std::unique_ptr<File>> createBeside(const std::string& target, std::string& name) override {
    for (int attempt = 0; attempt < 100; ++attempt) {
      name = target + ".tmp-" + randomSuffix();
      int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd >= 0) return std::unique_ptr<File>(std::make_unique<PosixFile>(fd));
      if (errno != EEXIST) break;
    }
    return Result<std::unique_ptr<File>>::failure(systemError(name));
  }

  std::string resolve(const std::string& path) override {
    std::string resolved = path;
    for (int link = 0; link < kMaxLinks; ++link) {
      struct stat st {};
      if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
      std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
      ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
      if (length < 0 || static_cast<std::size_t>(length) >= target.size()) break;
      target.resize(static_cast<std::size_t>(length));
      resolved = target.front() == '/' ? target : folderOf(resolved) + "/" + target;
    }
    return resolved;
  }

  std::optional<FileId> id(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  }

  bool exists(const std::string& path) override {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
  }

  Outcome rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) == 0) return Outcome::success();
    return systemFailure("rename");
  }

  Outcome link(const std::string& from, const std::string& to) override {
    if (::link(from.c_str(), to.c_str()) == 0) return Outcome::success();
    return systemFailure(to);
  }

  Outcome remove(const std::string& path) override {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Outcome::success();
    return systemFailure("remove");
  }

  Outcome syncFolderOf(const std::string& path) override {
    int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return systemFailure("open folder");
    Outcome synced = ::fsync(fd) == 0 ? Outcome::success() : systemFailure("fsync folder");
    ::close(fd);
    return synced;
  }
};

}  // namespace

FileSystem& systemFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace qlm
