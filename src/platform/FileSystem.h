#pragma once
// The few file operations the document file needs, behind an interface so
// that tests can make the n-th write or flush fail.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Outcome.h"
#include "platform/Result.h"

namespace qlm {

enum class OpenMode {
  Read,       // existing file, read only
  ReadWrite,  // existing file
  Create,     // read and write, created when missing
  CreateNew,  // read and write, fails when the name exists
};

enum class LockKind { Shared, Exclusive };

// Identifies the file behind a name, to notice that it was replaced.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

class File {
 public:
  virtual ~File() = default;
  // Bytes read, fewer at the end of the file.
  virtual Result<std::size_t> readAt(std::uint64_t offset, void* data, std::size_t size) = 0;
  virtual Outcome writeAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
  virtual Result<std::uint64_t> size() = 0;
  virtual Outcome truncate(std::uint64_t size) = 0;
  virtual Outcome sync() = 0;
  // Advisory lock on the open file; waits up to the file system's lock wait.
  virtual Outcome lock(LockKind kind) = 0;
  virtual std::optional<FileId> id() = 0;
  // Permission bits, carried over when a file is replaced by a new one.
  virtual std::optional<unsigned> permissions() = 0;
  virtual Outcome setPermissions(unsigned mode) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens regular files only (through symbolic links): a folder, device or
  // pipe is refused before anything is read or written, without waiting.
  virtual Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) = 0;
  // A new empty file under a fresh name beside `target`, never an existing
  // name nor what a link planted there points to; `name` receives its name.
  virtual Result<std::unique_ptr<File>> createBeside(const std::string& target, std::string& name) = 0;
  // The name of the file that `path` leads to through symbolic links, whether
  // or not that file exists; changes that replace the file go there.
  virtual std::string resolve(const std::string& path) = 0;
  virtual std::optional<FileId> id(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Replaces `to` when it exists.
  virtual Outcome rename(const std::string& from, const std::string& to) = 0;
  // Gives `from` a second name; fails when `to` exists.
  virtual Outcome link(const std::string& from, const std::string& to) = 0;
  virtual Outcome remove(const std::string& path) = 0;
  // Makes the creation, renaming or removal of names in the folder of `path` durable.
  virtual Outcome syncFolderOf(const std::string& path) = 0;
};

FileSystem& systemFileSystem();

}  // namespace qlm
