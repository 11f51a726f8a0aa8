// Builds trace rows from an arbitrary row template and arbitrary values in
// every form: no crash, and CSV rows keep one cell per template cell.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "language/VariableTable.h"
#include "trace/TraceTemplate.h"

namespace {

constexpr std::size_t kMaxInput = 4000;

std::size_t csvCells(std::string_view line) {
  std::size_t cells = 1;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) ++cells;
  }
  return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) size = kMaxInput;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The template, then the values, separated by NUL bytes.
  const std::size_t cut = input.find('\0');
  const std::string_view rowTemplate = input.substr(0, cut);
  const std::string value(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1));

  qlm::VariableTable variables;
  variables.set("$A", "\"" + value.substr(0, 100) + "\"");
  variables.set("$AB", "7");
  qlm::RowValues values;
  values.instructionText = value;
  values.output = value;
  values.desc1 = value;
  values.targetModeLine = value;
  values.variables = &variables;
  for (qlm::TraceForm form : {qlm::TraceForm::Html, qlm::TraceForm::Spreadsheet, qlm::TraceForm::Csv}) {
    std::string row;
    for (const qlm::RowPiece& piece : qlm::traceRow(rowTemplate, form, values)) row += piece.text;
    qlm::traceHeaderLine(rowTemplate, form);
    if (form == qlm::TraceForm::Csv && csvCells(row) != qlm::templateCells(rowTemplate).size()) __builtin_trap();
  }
  return 0;
}
