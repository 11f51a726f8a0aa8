#include "spreadsheet/Workbook.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <map>
#include <set>
#include <tuple>

#include <ixion/cell.hpp>
#include <ixion/formula.hpp>
#include <ixion/formula_result.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>

#include "platform/WholeFile.h"
#include "spreadsheet/PackageEdit.h"

namespace qlm {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(std::string_view text, std::string_view end) {
  if (text.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i) {
    if (lower(text[text.size() - end.size() + i]) != end[i]) return false;
  }
  return true;
}

using Grid = std::vector<std::vector<std::string>>;

// Comma-separated values as spreadsheets write them: fields in double quotes
// may hold commas, line breaks and doubled quotes; a row ends at a line feed
// (a carriage return before it is dropped). A quote left open runs to the end.
// Written here because orcus's reader reads past the end of such a field.
Grid parseCsv(std::string_view text) {
  Grid grid;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  bool fieldStarted = false;
  auto endField = [&] {
    row.push_back(std::move(field));
    field.clear();
    fieldStarted = false;
  };
  auto endRow = [&] {
    if (!field.empty() && field.back() == '\r' && !quoted) field.pop_back();
    endField();
    grid.push_back(std::move(row));
    row.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && !fieldStarted) {
      quoted = true;
      fieldStarted = true;
    } else if (c == ',') {
      endField();
    } else if (c == '\n') {
      endRow();
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  if (fieldStarted || !field.empty() || !row.empty()) endRow();
  return grid;
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::vector<std::uint8_t> csvBytes(const Grid& grid) {
  std::string text;
  for (const auto& row : grid) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += ',';
      text += csvField(row[c]);
    }
    text += '\n';
  }
  return {text.begin(), text.end()};
}

using CellKey = std::tuple<int, int, int>;  // sheet, row, column

ixion::abs_address_t addressOf(CellKey key) {
  return ixion::abs_address_t(std::get<0>(key), std::get<1>(key), std::get<2>(key));
}

}  // namespace

std::optional<WorkbookFormat> workbookFormatOf(std::string_view path) {
  if (endsWithIgnoringCase(path, ".xlsx")) return WorkbookFormat::Xlsx;
  if (endsWithIgnoringCase(path, ".ods")) return WorkbookFormat::Ods;
  if (endsWithIgnoringCase(path, ".csv")) return WorkbookFormat::Csv;
  if (endsWithIgnoringCase(path, ".xls")) return WorkbookFormat::Xls;
  return std::nullopt;
}

std::string lockFileOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, start) + ".~lock." + path.substr(start) + "#";
}

std::string numberText(double value) {
  if (value == 0) return "0";  // also -0
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc()) return "0";
  return std::string(buffer, end);
}

std::optional<double> numberFromText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  char first = text.front() == '-' ? (text.size() > 1 ? text[1] : ' ') : text.front();
  if (!((first >= '0' && first <= '9') || first == '.')) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

struct Workbook::Impl {
  std::string path;
  WorkbookFormat format = WorkbookFormat::Xlsx;
  std::vector<std::uint8_t> original;
  // Reads come from the file as stored until the first write loads the model.
  std::unique_ptr<StoredCells> stored;
  bool modelLoaded = false;
  orcus::spreadsheet::document model{orcus::spreadsheet::range_size_t{kMaxRows, kMaxColumns}};
  Grid csv;
  std::map<CellKey, CellContent> written;
  std::set<CellKey> recalculated;

  ixion::model_context& cells() { return model.get_model_context(); }
  const ixion::model_context& cells() const { return model.get_model_context(); }

  CellContent contentAt(CellKey key) const;
  Outcome loadModel();
};

Outcome Workbook::Impl::loadModel() {
  if (modelLoaded) return Outcome::success();
  auto bytes = format == WorkbookFormat::Ods ? stored->plainOds() : stored->repackagedXlsx();
  if (!bytes) return Outcome::failure("damaged workbook " + path + ": " + bytes.error());
  std::string_view stream(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  try {
    orcus::spreadsheet::import_factory factory(model);
    // The results stored in the file are what its author's program computed; only cells written here are computed again.
    factory.set_recalc_formula_cells(false);
    if (format == WorkbookFormat::Xlsx) {
      orcus::orcus_xlsx filter(&factory);
      filter.read_stream(stream);
    } else {
      orcus::orcus_ods filter(&factory);
      filter.read_stream(stream);
    }
  } catch (const std::exception& error) {
    return Outcome::failure("damaged workbook " + path + ": " + error.what());
  }
  if (static_cast<int>(model.get_sheet_count()) != stored->sheetCount()) {
    return Outcome::failure("damaged workbook " + path + ": its sheets cannot all be read");
  }
  modelLoaded = true;
  return Outcome::success();
}

CellContent Workbook::Impl::contentAt(CellKey key) const {
  using Kind = CellContent::Kind;
  const ixion::model_context& cxt = cells();
  ixion::abs_address_t address = addressOf(key);
  switch (cxt.get_celltype(address)) {
    case ixion::celltype_t::numeric:
      return {Kind::Number, numberText(cxt.get_numeric_value(address))};
    case ixion::celltype_t::string:
      return {Kind::Text, std::string(cxt.get_string_value(address))};
    case ixion::celltype_t::boolean:
      return {Kind::Text, cxt.get_boolean_value(address) ? "TRUE" : "FALSE"};
    case ixion::celltype_t::formula: {
      ixion::formula_result result = cxt.get_formula_result(address);
      switch (result.get_type()) {
        case ixion::formula_result::result_type::value:
          return {Kind::Number, numberText(result.get_value())};
        case ixion::formula_result::result_type::string:
          return {Kind::Text, result.get_string()};
        case ixion::formula_result::result_type::error:
          return {Kind::Error, std::string(ixion::get_formula_error_name(result.get_error()))};
        default:
          return {Kind::Error, "#VALUE!"};
      }
    }
    default:
      return {};
  }
}

Workbook::Workbook(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Workbook::~Workbook() = default;

Result<std::unique_ptr<Workbook>> Workbook::open(FileSystem& fs, const std::string& path) {
  auto bytes = readWholeFile(fs, path, kMaxFileBytes);
  if (!bytes) return Result<std::unique_ptr<Workbook>>::failure(bytes.error());
  return fromBytes(std::move(*bytes), path);
}

Result<std::unique_ptr<Workbook>> Workbook::fromBytes(std::vector<std::uint8_t> bytes, const std::string& path) {
  using Failure = Result<std::unique_ptr<Workbook>>;
  std::optional<WorkbookFormat> format = workbookFormatOf(path);
  if (!format || *format == WorkbookFormat::Xls) return Failure::failure("not an .xlsx, .ods or .csv workbook: " + path);
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  impl->format = *format;
  impl->original = std::move(bytes);
  std::string_view stream(reinterpret_cast<const char*>(impl->original.data()), impl->original.size());
  if (*format != WorkbookFormat::Csv) {
    auto stored = StoredCells::open(impl->original, *format == WorkbookFormat::Ods);
    if (!stored) return Failure::failure("damaged workbook " + path + ": " + stored.error());
    impl->stored = std::move(*stored);
    return std::unique_ptr<Workbook>(new Workbook(std::move(impl)));
  }
  impl->csv = parseCsv(stream);
  impl->model.append_sheet("Sheet1");
  impl->modelLoaded = true;
  ixion::model_context& cxt = impl->cells();
  for (std::size_t r = 0; r < impl->csv.size() && r < static_cast<std::size_t>(kMaxRows); ++r) {
    const auto& row = impl->csv[r];
    for (std::size_t c = 0; c < row.size() && c < static_cast<std::size_t>(kMaxColumns); ++c) {
      ixion::abs_address_t address(0, static_cast<int>(r), static_cast<int>(c));
      if (row[c].empty()) continue;
      if (auto number = numberFromText(row[c])) {
        cxt.set_numeric_cell(address, *number);
      } else {
        cxt.set_string_cell(address, row[c]);
      }
    }
  }
  return std::unique_ptr<Workbook>(new Workbook(std::move(impl)));
}

const std::string& Workbook::path() const { return m_impl->path; }

int Workbook::sheetCount() const {
  return m_impl->modelLoaded ? static_cast<int>(m_impl->model.get_sheet_count()) : m_impl->stored->sheetCount();
}

Result<std::string> Workbook::read(int sheet, CellAddress cell) {
  if (sheet < 0 || sheet >= sheetCount()) return Result<std::string>::failure("no such sheet");
  if (!m_impl->modelLoaded) return m_impl->stored->read(sheet, cell);
  try {
    return m_impl->contentAt({sheet, cell.row, cell.column}).text;
  } catch (const std::exception& error) {
    return Result<std::string>::failure(error.what());
  }
}

bool Workbook::write(int sheet, CellAddress cell, std::string_view text) {
  if (sheet < 0 || sheet >= sheetCount() || !m_impl->loadModel()) return false;
  using Kind = CellContent::Kind;
  CellKey key{sheet, cell.row, cell.column};
  ixion::abs_address_t address = addressOf(key);
  ixion::model_context& cxt = m_impl->cells();
  if (cxt.get_celltype(address) == ixion::celltype_t::formula) ixion::unregister_formula_cell(cxt, address);
  CellContent content;
  if (text.empty()) {
    cxt.empty_cell(address);
  } else if (auto number = numberFromText(text)) {
    cxt.set_numeric_cell(address, *number);
    content = {Kind::Number, numberText(*number)};
  } else {
    cxt.set_string_cell(address, text);
    content = {Kind::Text, std::string(text)};
  }
  m_impl->written[key] = content;
  m_impl->recalculated.erase(key);
  if (m_impl->format == WorkbookFormat::Csv) {
    Grid& grid = m_impl->csv;
    if (grid.size() <= static_cast<std::size_t>(cell.row)) grid.resize(static_cast<std::size_t>(cell.row) + 1);
    auto& row = grid[static_cast<std::size_t>(cell.row)];
    if (row.size() <= static_cast<std::size_t>(cell.column)) row.resize(static_cast<std::size_t>(cell.column) + 1);
    row[static_cast<std::size_t>(cell.column)] = content.text;
    return true;
  }
  ixion::abs_range_set_t modified;
  modified.insert(ixion::abs_range_t(address));
  std::vector<ixion::abs_range_t> dirty = ixion::query_and_sort_dirty_cells(cxt, modified);
  for (const ixion::abs_range_t& range : dirty) {
    for (ixion::row_t r = range.first.row; r <= range.last.row; ++r) {
      for (ixion::col_t c = range.first.column; c <= range.last.column; ++c) {
        ixion::abs_address_t formula(range.first.sheet, r, c);
        if (ixion::formula_cell* target = cxt.get_formula_cell(formula)) target->reset();
        m_impl->recalculated.insert({formula.sheet, formula.row, formula.column});
      }
    }
  }
  ixion::calculate_sorted_cells(cxt, dirty, 0);
  return true;
}

bool Workbook::modified() const { return !m_impl->written.empty(); }

Result<std::vector<std::uint8_t>> Workbook::contents() const {
  using Failure = Result<std::vector<std::uint8_t>>;
  if (m_impl->format == WorkbookFormat::Csv) {
    return modified() ? csvBytes(m_impl->csv) : m_impl->original;
  }
  std::vector<CellChange> changes;
  for (const auto& [key, content] : m_impl->written) {
    changes.push_back({std::get<0>(key), {std::get<1>(key), std::get<2>(key)}, content, false});
  }
  try {
    for (const CellKey& key : m_impl->recalculated) {
      changes.push_back({std::get<0>(key), {std::get<1>(key), std::get<2>(key)}, m_impl->contentAt(key), true});
    }
  } catch (const std::exception& error) {
    return Failure::failure(std::string("cannot compute the formulas: ") + error.what());
  }
  if (m_impl->format == WorkbookFormat::Xlsx) return editXlsx(m_impl->original, changes);
  return editOds(m_impl->original, changes);
}

Outcome Workbook::save(FileSystem& fs) {
  if (fs.exists(lockFileOf(m_impl->path))) return Outcome::failure("the workbook is open in another program: " + m_impl->path);
  auto bytes = contents();
  if (!bytes) return bytes.outcome();
  Outcome written = writeWholeFile(fs, m_impl->path, *bytes);
  if (!written) return written;
  m_impl->original = std::move(*bytes);
  // The stored cells read the bytes that were replaced: they are read again, or no longer needed.
  m_impl->stored.reset();
  if (!m_impl->modelLoaded) {
    auto reopened = StoredCells::open(m_impl->original, m_impl->format == WorkbookFormat::Ods);
    if (!reopened) return reopened.outcome();
    m_impl->stored = std::move(*reopened);
  }
  m_impl->written.clear();
  m_impl->recalculated.clear();
  return Outcome::success();
}

}  // namespace qlm
