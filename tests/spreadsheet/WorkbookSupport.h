#pragma once
// The workbooks of the tests: copies of the ones in tests/data/workbooks in a
// fresh folder, and LibreOffice to check what other programs see in them.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../document/TempFolder.h"
#include "spreadsheet/Workbook.h"

namespace qlm::testing {

// A copy of tests/data/workbooks/book.EXTENSION in `folder`. Sheet "Data": A1 "Name" (bold), B1 42,
// C1 =B1*2, A2 0.1, B2 empty, C2 =A2+Second.A1; sheet "Second": A1 7, B1 "second sheet".
inline std::string copyOfBook(const TempFolder& folder, const std::string& extension) {
  std::string target = folder.file("book." + extension);
  std::filesystem::copy_file(std::string(QLM_TEST_DATA_DIR) + "/workbooks/book." + extension, target,
                             std::filesystem::copy_options::overwrite_existing);
  return target;
}

inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// What a read shows, or why it failed.
inline std::string shown(Workbook& book, int sheet, CellAddress cell) {
  Result<std::string> text = book.read(sheet, cell);
  return text ? *text : "error: " + text.error();
}

inline bool haveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// Converts `workbook` with LibreOffice into `folder`; "csv" writes one file per sheet (NAME-SHEET.csv).
inline bool convertWithLibreOffice(const std::string& workbook, const std::string& format, const TempFolder& folder) {
  std::string filter = format == "csv" ? "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1'" : format;
  // One profile for every conversion: making a new one costs seconds.
  std::string profile = (std::filesystem::temp_directory_path() / "qlm-test-libreoffice-profile").string();
  std::string command = "soffice -env:UserInstallation=file://" + profile + " --headless --norestore --convert-to " + filter +
                        " --outdir '" + folder.path().string() + "/out' '" + workbook + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace qlm::testing
