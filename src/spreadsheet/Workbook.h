#pragma once
// A workbook held in memory the way a spreadsheet application holds an open
// one: cells are read and written, formulas that depend on a written cell
// are computed again, and saving writes the whole file back with everything
// else it held (styles, other sheets, formulas, names) left as it was.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Outcome.h"
#include "platform/Result.h"
#include "spreadsheet/CellAddress.h"

namespace qlm {

enum class WorkbookFormat { Xlsx, Ods, Csv, Xls };

// By the name's extension, letter case ignored.
std::optional<WorkbookFormat> workbookFormatOf(std::string_view path);

// The name of the lock file LibreOffice keeps beside a workbook it has open.
std::string lockFileOf(const std::string& path);

// The text a spreadsheet shows for a number: the shortest form that reads
// back as the same number, with "." as the decimal separator.
std::string numberText(double value);
// A text that is a whole number as a spreadsheet would read it.
std::optional<double> numberFromText(std::string_view text);

class Workbook {
 public:
  // Workbooks larger than this are refused rather than read into memory.
  static constexpr std::uint64_t kMaxFileBytes = 256u << 20;

  static Result<std::unique_ptr<Workbook>> open(FileSystem& fs, const std::string& path);
  // The same from bytes already read; `path` names the file that saving replaces.
  static Result<std::unique_ptr<Workbook>> fromBytes(std::vector<std::uint8_t> bytes, const std::string& path);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  const std::string& path() const;
  int sheetCount() const;
  // Empty for an empty cell; sheets count from 0. Fails when the sheet is damaged.
  Result<std::string> read(int sheet, CellAddress cell);
  // A text that reads as a number is stored as a number; the empty text empties
  // the cell. False when the workbook is too damaged to be changed.
  bool write(int sheet, CellAddress cell, std::string_view text);
  bool modified() const;
  // The whole workbook as a file: the one it was read from with the written
  // cells and the new results of the formulas that depend on them.
  Result<std::vector<std::uint8_t>> contents() const;
  // Written beside the file and renamed over it; refused while another
  // program holds the workbook open.
  Outcome save(FileSystem& fs);

 private:
  struct Impl;
  explicit Workbook(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

}  // namespace qlm
