#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "language/Document.h"
#include "language/Builtins.h"
#include "platform/FileOperations.h"
#include "language/functions/FunctionSupport.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

using functions::kEmptyText;
using functions::limitedText;

constexpr std::string_view kSeparators = "/\\";
constexpr std::size_t kMaxListPattern = 257;

// The name part behind the last separator starts at this position.
std::size_t nameStart(std::string_view path) {
  std::size_t separator = path.find_last_of(kSeparators);
  return separator == std::string_view::npos ? 0 : separator + 1;
}

// The first point of the name part: a point in a folder name is not an extension.
std::size_t extensionPoint(std::string_view path) { return path.find('.', nameStart(path)); }

char fileGetName(Interpreter& in, int, Arguments args, std::string& result) {
  std::string path;
  if (!limitedText(in, args[0], "FileGetName", path)) return 'C';
  std::size_t start = nameStart(path);
  std::size_t point = extensionPoint(path);
  result = path.substr(start, point == std::string::npos ? std::string::npos : point - start);
  return 'C';
}

char fileGetPath(Interpreter& in, int, Arguments args, std::string& result) {
  std::string path;
  if (!limitedText(in, args[0], "FileGetPath", path)) return 'C';
  std::size_t separator = path.find_last_of(kSeparators);
  if (separator != std::string::npos) result = path.substr(0, separator);
  return 'C';
}

char fileGetExt(Interpreter& in, int, Arguments args, std::string& result) {
  std::string path;
  if (!limitedText(in, args[0], "FileGetExt", path)) return 'C';
  std::size_t point = extensionPoint(path);
  if (point != std::string::npos) result = path.substr(point + 1);
  return 'C';
}

// File operations never stop the playback: a name beyond the limit is one
// more failure reported through the error variables.
std::string fileName(Interpreter& in, ArgumentRange argument, int& error) {
  std::string name = in.textArgument(argument);
  if (name.size() > functions::kMaxTextArgument) error = ENAMETOOLONG;
  return name;
}

void setErrorVariables(Document& document, int error) {
  if (error == 0) {
    document.setVariable("$LAST_ERROR", kEmptyText);
  } else {
    document.setVariable("$LAST_ERROR", cp1252FromUtf8(std::strerror(error)));
  }
  document.setVariableNumber("$LAST_ERROR_NUM", error);
}

// Evaluates the names, runs the operation and reports as every file operation does.
template <typename Operation>
char fileOperation(Interpreter& in, Arguments args, std::string_view function, std::string_view what,
                   Operation operation) {
  int error = 0;
  std::vector<std::string> names;
  for (ArgumentRange argument : args) names.push_back(fileName(in, argument, error));
  Document& document = in.document();
  document.setVariable("$FCT_ERROR", kEmptyText);
  if (error == 0) error = operation(names);
  setErrorVariables(document, error);
  std::string description = std::string(function) + "(";
  for (std::size_t i = 0; i < names.size(); ++i) description += (i ? "," : "") + names[i];
  in.reportStep(description + ") result:", std::string(what) + (error == 0 ? " OK" : " NOT OK"));
  return 'V';
}

char fileCopy(Interpreter& in, int, Arguments args, std::string& /*result*/) {
  return fileOperation(in, args.first(2), "FileCopy", "File copy", [](const std::vector<std::string>& names) {
    return functions::copyFile(utf8FromCp1252(names[0]), utf8FromCp1252(names[1]));
  });
}

char fileDelete(Interpreter& in, int, Arguments args, std::string& /*result*/) {
  return fileOperation(in, args.first(1), "FileDelete", "File delete", [](const std::vector<std::string>& names) {
    return functions::deleteFile(utf8FromCp1252(names[0]));
  });
}

char fileMove(Interpreter& in, int, Arguments args, std::string& /*result*/) {
  return fileOperation(in, args.first(2), "FileMove", "File move", [](const std::vector<std::string>& names) {
    return functions::moveNoReplace(utf8FromCp1252(names[0]), utf8FromCp1252(names[1]));
  });
}

bool hasListShape(std::string_view pattern) {
  bool drive = std::isalpha(static_cast<unsigned char>(pattern[0])) && pattern[1] == ':' &&
               (pattern[2] == '\\' || pattern[2] == '/');
  return drive || pattern.starts_with("\\\\") || pattern.starts_with('/');
}

bool isExistingFolder(const std::string& path) {
  return functions::isFolder(utf8FromCp1252(path));
}

// Where to look and what to match: a folder (written with or without its
// final separator) lists all its files; anything else is a pattern of names
// inside the folder before its last separator.
struct ListSearch {
  std::string basePath;
  std::string namePattern;
  char separator = '/';
};

ListSearch listSearchOf(const std::string& pattern) {
  bool wildcard = pattern.find_first_of("*?[") != std::string::npos;
  bool endsWithSeparator = kSeparators.find(pattern.back()) != std::string_view::npos;
  bool folder = endsWithSeparator ||
                (!wildcard && (pattern.find('.') == std::string::npos || isExistingFolder(pattern)));
  ListSearch search;
  std::size_t separator = pattern.find_last_of(kSeparators);
  search.separator = pattern[separator];  // the shape check guarantees one
  if (folder) {
    search.basePath = endsWithSeparator ? pattern.substr(0, pattern.size() - 1) : pattern;
    search.namePattern = "*";
  } else {
    search.basePath = pattern.substr(0, separator);
    search.namePattern = pattern.substr(separator + 1);
  }
  return search;
}

char fail(Interpreter& in, std::string_view message) {
  in.failWith(message);
  return 'C';
}

void reportInvalidListPath(Interpreter& in, const std::string& basePath, int error) {
  in.failWith("FileListLoad:FindFirstFile error invalid path");
  in.document().ui().showMessage("FindFirstFile failed (" + std::to_string(error) + ") path=" + basePath + "\n");
  in.reportStep("FileListLoad:FindFirstFile error invalid path :", basePath);
}

std::vector<std::string> matchingFiles(const functions::DirectoryListing& listing, const ListSearch& search,
                                       bool& anyMatch) {
  std::vector<std::string> files;
  for (const functions::DirectoryEntry& entry : listing.entries) {
    std::string name = cp1252FromUtf8(entry.name);
    if (::fnmatch(search.namePattern.c_str(), name.c_str(), FNM_PERIOD | FNM_NOESCAPE) != 0) continue;
    anyMatch = true;
    if (!entry.folder) files.push_back(search.basePath + search.separator + name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

char fileListLoad(Interpreter& in, int, Arguments args, std::string&) {
  Document& document = in.document();
  const std::string list = functions::variableName(in, args[0]);
  document.setVariableNumber(list, 0);
  const std::string pattern = in.textArgument(args[1]);
  if (pattern.size() < 3) return fail(in, "FctFileListLoad: Invalid 2nd argument path (1)");
  if (!hasListShape(pattern)) return fail(in, "FctFileListLoad: Invalid 2nd argument path (2)");
  if (pattern.size() > kMaxListPattern) return fail(in, "FileListLoad:Directory path is too long.");

  const ListSearch search = listSearchOf(pattern);
  in.reportStep("FileListLoad base path :", search.basePath);
  const std::string folder = search.basePath.empty() ? std::string("/") : utf8FromCp1252(search.basePath);
  functions::DirectoryListing listing = functions::listDirectory(folder);
  if (listing.openError) {
    reportInvalidListPath(in, search.basePath, listing.openError);
    return 'C';
  }
  if (listing.readError) return fail(in, "FileListLoad:FindNextFile error");

  bool anyMatch = false;
  std::vector<std::string> files = matchingFiles(listing, search, anyMatch);
  if (!anyMatch) return 'C';
  document.fileList() = std::move(files);
  const long long count = static_cast<long long>(document.fileList().size());
  in.reportStep("FileListLoad has loaded :", std::to_string(count) + " file(s)");
  document.setVariableNumber(list, count);
  return 'C';
}

char fileListGet(Interpreter& in, int, Arguments args, std::string& result) {
  const std::string list = functions::variableName(in, args[0]);
  long long i = 0;
  if (!in.integerArgument(args[1], i)) return fail(in, "FileListGet() : Invalid number.");
  const std::vector<std::string>& files = in.document().fileList();
  // A later load may have left fewer files than this list's count.
  const long long count = std::clamp(in.document().readVariableNumber(list), 0LL, static_cast<long long>(files.size()));
  // Compared before the subtraction: i - 1 overflows for the smallest integer.
  const long long index = i <= 1 || count == 0 ? 0 : std::min(i, count) - 1;
  if (count > 0) result = files[static_cast<std::size_t>(index)];
  in.reportStep("FileListGet(" + list + "," + std::to_string(index) + ") result:", "File '" + result + "'");
  return 'C';
}

}  // namespace

std::span<const BuiltinBinding> fileFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"FileGetName", fileGetName},   {"FileGetPath", fileGetPath}, {"FileGetExt", fileGetExt},
      {"FileCopy", fileCopy},         {"FileDelete", fileDelete},   {"FileMove", fileMove},
      {"FileListLoad", fileListLoad}, {"FileListGet", fileListGet},
  };
  return kBindings;
}

}  // namespace qlm
