#pragma once
// XlsReadData, XlsWriteData, XlsSave, XlsClose and XlsAutoSave over the
// program's one link to a spreadsheet application.
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "language/Builtins.h"
#include "platform/FileSystem.h"
#include "spreadsheet/Automation.h"

namespace qlm {

class Document;

std::span<const BuiltinBinding> spreadsheetFunctions();

// The link to the spreadsheet application: made by the first spreadsheet
// function of a run and kept until XlsClose or the end of the program.
struct SpreadsheetLink {
  static constexpr std::size_t kMaxOpenWorkbooks = 10;
  static constexpr std::size_t kMaxWorkbookName = 259;

  FileSystem* fs = &systemFileSystem();
  // The setting SPREADSHEET: "builtin" (also when empty) or "libreoffice".
  std::string backend;
  std::shared_ptr<Dispatch> application;
  std::shared_ptr<Dispatch> workbooks;
  std::shared_ptr<Dispatch> currentBook;
  std::shared_ptr<Dispatch> currentSheet;
  std::shared_ptr<Dispatch> currentRange;
  // Written by XlsAutoSave on the playback thread, read there by XlsWriteData.
  bool autoSave = false;
  // The workbooks each record document has used, by full name.
  std::map<const Document*, std::vector<std::string>> openWorkbooks;
};

// The program's link; only the playback thread uses it.
SpreadsheetLink& spreadsheetLink();
// A new link on `fs`: what a new run of the program starts with.
void resetSpreadsheetLink(FileSystem& fs = systemFileSystem());

}  // namespace qlm
