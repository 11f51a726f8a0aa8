#pragma once
// The trace table's text: the page head, the header line and the rows made
// from the row template. A template is a list of cells separated by ';';
// inside a cell the column tokens and variable names are replaced.
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

class VariableTable;

// .htm carries images; .xls is the same HTML without them; .csv is text.
enum class TraceForm { Html, Spreadsheet, Csv };
TraceForm traceFormOf(std::string_view fileName);
inline bool isHtmlForm(TraceForm form) { return form != TraceForm::Csv; }

// Written once, into an empty HTML trace file; ends with CR LF.
const std::string& tracePageHead();

struct TemplateCell {
  std::string_view className;  // HTML class: by the token that starts the cell
  std::string text;
};
std::vector<TemplateCell> templateCells(std::string_view rowTemplate);

// The column names of one playback, without CR LF: "<TABLE>" and a bold row in
// HTML, the template itself (quoted where needed) in CSV.
std::string traceHeaderLine(std::string_view rowTemplate, TraceForm form);

// What the tokens of a row stand for.
struct RowValues {
  int line = 0;
  int instruction = 0;
  std::string instructionText;
  std::string desc1;
  std::string desc2;
  std::string output;
  std::string targetModeLine;   // "Mode=%d, Apps=%s"
  std::string targetTitleLine;  // "Title=%s"
  const VariableTable* variables = nullptr;
};

enum class ImageCell { None, Selected, Found };

// A row as written: text, with the image cells of the HTML form left for the
// writer, which streams their Base64 straight into the file.
struct RowPiece {
  std::string text;
  ImageCell image = ImageCell::None;
};

// Values are inserted as they are and never searched again for tokens; in
// HTML they are escaped, in CSV a cell holding ';', '"' or a line break is
// quoted. An empty output or description cell shows as a white cell in HTML.
std::vector<RowPiece> traceRow(std::string_view rowTemplate, TraceForm form, const RowValues& values);

std::string escapeHtml(std::string_view text);
std::string quoteCsvCell(std::string_view text);

}  // namespace qlm
