#pragma once
// Changes to the cells of an .xlsx or .ods file made in place: the package
// is copied entry by entry and only the sheets that hold changed cells are
// parsed and written again.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Outcome.h"
#include "platform/Result.h"
#include "spreadsheet/CellAddress.h"

namespace qlm {

struct CellContent {
  enum class Kind { Empty, Number, Text, Error };
  Kind kind = Kind::Empty;
  std::string text;  // the number in its shortest form, the text, or the error's name
};

struct CellChange {
  int sheet = 0;  // from 0, in the workbook's order
  CellAddress cell;
  CellContent content;
  // A formula's new result: the formula stays and only its stored result changes.
  bool keepFormula = false;
};

// Workbooks whose parts together would inflate to more than this are refused
// before anything reads them.
inline constexpr std::uint64_t kMaxPackageBytes = 256u << 20;

// Fails unless `package` is a zip archive within kMaxPackageBytes.
Outcome checkPackage(std::span<const std::uint8_t> package);

// The cells of an .xlsx or .ods file as they are stored: what the program
// that wrote the file showed, formulas as their last result. Reading one cell
// this way costs a fraction of loading the whole workbook into a model.
// The package's bytes must outlive the object.
class StoredCells {
 public:
  static Result<std::unique_ptr<StoredCells>> open(std::span<const std::uint8_t> package, bool ods);
  ~StoredCells();
  int sheetCount() const;
  // Failure when the sheet's part is damaged.
  Result<std::string> read(int sheet, CellAddress cell);
  // An .ods package of the cells alone: names, values, shown texts and formulas,
  // without styles or groups of rows. orcus's reader stops the whole program on
  // some damaged styles and row groups (assertions), so the model reads this instead.
  Result<std::vector<std::uint8_t>> plainOds() const;
  // An .xlsx package of the same parts, stored again from what they inflate to:
  // orcus trusts the sizes a damaged package claims and asks for gigabytes.
  Result<std::vector<std::uint8_t>> repackagedXlsx() const;

 private:
  struct Impl;
  explicit StoredCells(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

Result<std::vector<std::uint8_t>> editXlsx(std::span<const std::uint8_t> package, std::span<const CellChange> changes);
Result<std::vector<std::uint8_t>> editOds(std::span<const std::uint8_t> package, std::span<const CellChange> changes);

}  // namespace qlm
