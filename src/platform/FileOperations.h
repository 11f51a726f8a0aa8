#pragma once
// File-system work behind the file functions. Paths are UTF-8 as the file
// system takes them; each operation answers 0 or the errno of its failure.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qlm::functions {

// Copies through a temporary file beside the target and renames it into
// place, so a failed copy never leaves a half-written target. An existing
// target is replaced.
int copyFile(const std::string& source, const std::string& target);

// Moves or renames a file or a folder; never replaces an existing target.
// Across file systems a file is copied, then the source deleted.
int moveNoReplace(const std::string& source, const std::string& target);

// Deletes a file (not a folder).
int deleteFile(const std::string& name);

struct DirectoryEntry {
  std::string name;
  bool folder = false;
};

struct DirectoryListing {
  int openError = 0;  // the folder could not be opened
  int readError = 0;  // reading stopped part way
  std::vector<DirectoryEntry> entries;  // without "." and ".."
};

DirectoryListing listDirectory(const std::string& folder);

bool isFolder(const std::string& path);

struct StdioCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;
// Opens for appending, created when missing; null with errno set on failure.
StdioFile openForAppending(const std::string& path);

// The login name of the user running Quillmote; empty when unknown.
std::string loginName();
// Whether standard input is a terminal that a person can answer on.
bool standardInputIsTerminal();

}  // namespace qlm::functions
