#include "spreadsheet/SpreadsheetFunctions.h"

#include <algorithm>

#include "language/Document.h"
#include "language/Value.h"
#include "language/functions/FunctionSupport.h"
#include "platform/TextEncoding.h"
#include "spreadsheet/BuiltinApplication.h"
#include "spreadsheet/LibreOfficeApplication.h"
#include "spreadsheet/Workbook.h"

namespace qlm {
namespace {

constexpr int kSaveWaitsMs[] = {1000, 2000, 3000};

// The spreadsheet applications, chosen by name with the setting SPREADSHEET; none is tried in place of another.
struct SpreadsheetBackend {
  std::string_view name;
  std::shared_ptr<Dispatch> (*create)(FileSystem& fs, std::string& error);
};

constexpr SpreadsheetBackend kBackends[] = {
    {"builtin", [](FileSystem& fs, std::string&) { return makeBuiltinApplication(fs); }},
    {"libreoffice", [](FileSystem&, std::string& error) { return makeLibreOfficeApplication(error); }},
};

bool builtinChosen() { return spreadsheetLink().backend.empty() || spreadsheetLink().backend == "builtin"; }

// The chosen application, or nothing after its message.
std::shared_ptr<Dispatch> startApplication(Interpreter& in) {
  const std::string& chosen = spreadsheetLink().backend;
  for (const SpreadsheetBackend& backend : kBackends) {
    if (!(chosen.empty() ? backend.name == "builtin" : backend.name == chosen)) continue;
    std::string error;
    std::shared_ptr<Dispatch> application = backend.create(*spreadsheetLink().fs, error);
    if (!application) in.failWith("Excel function error:\nThe spreadsheet application could not be started (SPREADSHEET=" + chosen + "): " + error);
    return application;
  }
  in.failWith("Excel function error:\nUnknown setting SPREADSHEET=" + chosen + "; use builtin or libreoffice.");
  return nullptr;
}

std::string fileOf(const std::string& name) { return "'" + name + "'"; }

std::string cannotOpenFile(const std::string& name) { return "Excel function error:\nCannot open file " + fileOf(name) + "."; }
std::string cannotOpenCell(const std::string& cell) { return "Excel function:\nCannot open cell '" + cell + "'."; }

// A name with no folder of its own is looked for in the record document's
// folder; without a document file, in the current folder.
std::string resolveName(const Document& doc, const std::string& name) {
  if (name.starts_with('/')) return name;
  const std::string& document = doc.pathName();
  std::size_t slash = document.rfind('/');
  return slash == std::string::npos ? name : document.substr(0, slash + 1) + name;
}

AutomationContext contextOf(Interpreter& in) { return AutomationContext{in.document().ui()}; }

bool remember(Interpreter& in, const std::string& fullName) {
  std::vector<std::string>& open = spreadsheetLink().openWorkbooks[&in.document()];
  if (std::find(open.begin(), open.end(), fullName) != open.end()) return true;
  if (fullName.size() > SpreadsheetLink::kMaxWorkbookName) {
    in.failWith("Excel function error:\nFile name longer than 259 characters:\n" + cp1252FromUtf8(fullName));
    return false;
  }
  if (open.size() >= SpreadsheetLink::kMaxOpenWorkbooks) {
    in.failWith("Excel function error:\nToo many workbooks: 10 are in use already; close one with XlsClose() first.");
    return false;
  }
  open.push_back(fullName);
  return true;
}

// Makes the workbook the current book; on failure the messages are shown and
// the stop request set.
bool openWorkbook(Interpreter& in, const std::string& name) {
  SpreadsheetLink& link = spreadsheetLink();
  std::string fullName = resolveName(in.document(), utf8FromCp1252(name));
  if (!link.fs->exists(fullName)) {
    in.failWith("Excel function error:\nFile not available:\n" + cp1252FromUtf8(fullName));
    in.failWith(cannotOpenFile(name));
    return false;
  }
  if (builtinChosen() && workbookFormatOf(fullName) == WorkbookFormat::Xls) {
    in.failWith("Excel function error:\n" + fileOf(name) +
                ": .xls workbooks need LibreOffice; save the workbook as .xlsx or .ods");
    return false;
  }
  if (!remember(in, fullName)) return false;
  AutomationContext context = contextOf(in);
  bool opened = true;
  if (!link.application) {
    link.application = startApplication(in);
    if (!link.application) return false;
    Variant workbooks;
    opened = autoWrap(context, CallType::PropertyGet, &workbooks, link.application.get(), "Workbooks") == kOk;
    link.workbooks = workbooks.object;
  }
  Variant visible = Variant::ofNumber(1);
  opened = opened && autoWrap(context, CallType::PropertyPut, nullptr, link.application.get(), "Visible", {&visible, 1}) == kOk;
  if (opened) {
    Variant fileName = Variant::ofText(fullName);
    Variant book;
    opened = autoWrap(context, CallType::Method, &book, link.workbooks.get(), "Open", {&fileName, 1}) == kOk;
    if (opened) link.currentBook = book.object;
  }
  if (!opened) in.failWith(cannotOpenFile(name));
  return opened;
}

// Refused saves are retried after 1, 2 and 3 seconds, and stay silent.
void saveWorkbook(Interpreter& in) {
  SpreadsheetLink& link = spreadsheetLink();
  AutomationContext context = contextOf(in);
  Variant no = Variant::ofNumber(0);
  autoWrap(context, CallType::PropertyPut, nullptr, link.application.get(), "DisplayAlerts", {&no, 1});
  context.quiet = true;
  for (std::size_t attempt = 0;; ++attempt) {
    if (autoWrap(context, CallType::Method, nullptr, link.application.get(), "Save") == kOk) break;
    if (attempt == std::size(kSaveWaitsMs)) break;
    in.document().clock().sleep(kSaveWaitsMs[attempt]);
  }
  context.quiet = false;
  Variant yes = Variant::ofNumber(1);
  autoWrap(context, CallType::PropertyPut, nullptr, link.application.get(), "DisplayAlerts", {&yes, 1});
}

// Sheet number, file and cell evaluated, the workbook opened and the range
// made current. False when a message was shown.
bool openRange(Interpreter& in, Arguments args, const char* function, std::string& file, long long& sheet,
               std::string& cell) {
  if (!in.integerArgument(args[1], sheet) || sheet < 1) {
    in.failWith("Excel function error:\nInvalid sheet number '" + std::to_string(sheet) + "'.");
    return false;
  }
  if (!functions::limitedText(in, args[0], function, file) || !functions::limitedText(in, args[2], function, cell)) {
    return false;
  }
  if (!openWorkbook(in, file)) return false;
  SpreadsheetLink& link = spreadsheetLink();
  AutomationContext context = contextOf(in);
  Variant sheetNumber = Variant::ofNumber(static_cast<double>(sheet));
  Variant sheetObject;
  Variant cellName = Variant::ofText(cell);
  Variant range;
  if (autoWrap(context, CallType::PropertyGet, &sheetObject, link.currentBook.get(), "Worksheets", {&sheetNumber, 1}) !=
          kOk ||
      autoWrap(context, CallType::PropertyGet, &range, sheetObject.object.get(), "Range", {&cellName, 1}) != kOk) {
    in.failWith(cannotOpenCell(cell));
    return false;
  }
  link.currentSheet = sheetObject.object;
  link.currentRange = range.object;
  return true;
}

std::string stepHeader(const char* function, const std::string& file, long long sheet, const std::string& cell) {
  return std::string(function) + "(), file='" + file + "', sheet=" + std::to_string(sheet) + ", cell='" + cell + "', ";
}

char xlsReadData(Interpreter& in, int, Arguments args, std::string& result) {
  std::string file, cell;
  long long sheet = 0;
  if (!openRange(in, args, "XlsReadData", file, sheet, cell)) return 'C';
  AutomationContext context = contextOf(in);
  Variant value;
  if (autoWrap(context, CallType::PropertyGet, &value, spreadsheetLink().currentRange.get(), "Value") != kOk) {
    in.failWith(cannotOpenCell(cell));
    return 'C';
  }
  std::string text = value.kind == Variant::Kind::Number ? numberText(value.number) : cp1252FromUtf8(value.text);
  if (text.size() > kMaxValueLength) {
    in.failWith("Excel function error:\nThe value of cell '" + cell + "' is longer than " +
                std::to_string(kMaxValueLength) + " characters.");
    return 'C';
  }
  in.reportStep(stepHeader("XlsReadData", file, sheet, cell) + "read:", text);
  result = std::move(text);
  return 'C';
}

char xlsWriteData(Interpreter& in, int, Arguments args, std::string& result) {
  std::string file, cell, value;
  long long sheet = 0;
  if (!openRange(in, args, "XlsWriteData", file, sheet, cell)) return 'C';
  if (!functions::limitedText(in, args[3], "XlsWriteData", value, kMaxValueLength)) return 'C';
  AutomationContext context = contextOf(in);
  Variant text = Variant::ofText(utf8FromCp1252(value));
  if (autoWrap(context, CallType::PropertyPut, nullptr, spreadsheetLink().currentRange.get(), "Value", {&text, 1}) != kOk) {
    in.failWith(cannotOpenCell(cell));
    return 'C';
  }
  in.reportStep(stepHeader("XlsWriteData", file, sheet, cell) + "write:", value);
  if (spreadsheetLink().autoSave) {
    in.reportStep("XlsWriteData(), save XLS file because XlsAutoSave(1) has been called.", "");
    saveWorkbook(in);
  }
  result.clear();
  return 'C';
}

char xlsSave(Interpreter& in, int, Arguments args, std::string&) {
  std::string file;
  if (!functions::limitedText(in, args[0], "XlsSave", file) || !openWorkbook(in, file)) return 'V';
  saveWorkbook(in);
  return 'V';
}

char xlsClose(Interpreter& in, int, Arguments args, std::string&) {
  std::string file;
  if (!functions::limitedText(in, args[0], "XlsClose", file) || !openWorkbook(in, file)) return 'V';
  SpreadsheetLink& link = spreadsheetLink();
  AutomationContext context = contextOf(in);
  autoWrap(context, CallType::Method, nullptr, link.application.get(), "Quit");
  link.currentBook.reset();
  link.currentSheet.reset();
  link.currentRange.reset();
  std::vector<std::string>& open = link.openWorkbooks[&in.document()];
  std::string fullName = resolveName(in.document(), utf8FromCp1252(file));
  open.erase(std::remove(open.begin(), open.end(), fullName), open.end());
  return 'V';
}

char xlsAutoSave(Interpreter& in, int, Arguments args, std::string&) {
  long long flag = 0;
  if (in.integerArgument(args[0], flag)) spreadsheetLink().autoSave = flag != 0;
  return 'V';
}

}  // namespace

std::span<const BuiltinBinding> spreadsheetFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"XlsReadData", xlsReadData}, {"XlsWriteData", xlsWriteData}, {"XlsSave", xlsSave},
      {"XlsClose", xlsClose},       {"XlsAutoSave", xlsAutoSave},
  };
  return kBindings;
}

SpreadsheetLink& spreadsheetLink() {
  static SpreadsheetLink link;
  return link;
}

void resetSpreadsheetLink(FileSystem& fs) {
  spreadsheetLink() = SpreadsheetLink{};
  spreadsheetLink().fs = &fs;
}

}  // namespace qlm
