#include "trace/TraceTemplate.h"

#include <array>
#include <utility>

#include "language/VariableTable.h"

namespace qlm {
namespace {

constexpr std::string_view kCellSeparator = ";";
constexpr std::string_view kGrey = "xGREY";
constexpr std::string_view kWhite = "xWHITE";
constexpr std::string_view kNbsp = "&nbsp;";

struct StyleRule {
  std::string_view className;
  std::string_view fontFamily;
  std::string_view textAlign;
  std::string_view background;
};

constexpr std::array<StyleRule, 7> kStyleRules{{
    {"xGREY", "Arial", "left", "#CCCCCC"},
    {"xWHITE", "Arial", "left", "#FFFFFF"},
    {"xLnum", "Arial", "center", "#FFF21B"},
    {"xInum", "Arial", "center", "#FFF21B"},
    {"xInstruction", "Courier", "left", "#FFF21B"},
    {"xDesc1", "Arial", "left", "#f16f72"},
    {"xOutput", "Arial", "left", "#64b1d9"},
}};

// The class a cell gets when it starts with the token.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kCellClasses{{
    {"LNUM", "xLnum"},
    {"INUM", "xInum"},
    {"INSTRUCTION", "xInstruction"},
    {"OUTPUT", "xOutput"},
    {"TARGET", "xOutput"},
    {"DESC1", "xDesc1"},
    {"DESC2", "xDesc1"},
}};

enum class Token { Lnum, Inum, Instruction, Desc1, Desc2, Output, Target, Selected, Found };

constexpr std::array<std::pair<std::string_view, Token>, 9> kTokens{{
    {"LNUM", Token::Lnum},
    {"INUM", Token::Inum},
    {"INSTRUCTION", Token::Instruction},
    {"DESC1", Token::Desc1},
    {"DESC2", Token::Desc2},
    {"OUTPUT", Token::Output},
    {"TARGET", Token::Target},
    {"ISELECTED", Token::Selected},
    {"IFOUND", Token::Found},
}};

std::string styleRule(const StyleRule& rule) {
  return " ." + std::string(rule.className) +
         " {padding-top:1px;padding-right:1px;padding-left:1px;mso-number-format:\"\\@\";mso-ignore:padding;"
         "color:windowtext;font-size:10.0pt;font-weight:400;font-style:normal;text-decoration:none;font-family:" +
         std::string(rule.fontFamily) +
         ";mso-generic-font-family:auto;mso-font-charset:0;mso-number-format:General;text-align:" +
         std::string(rule.textAlign) + ";vertical-align:bottom;border:.5pt solid windowtext;background:" +
         std::string(rule.background) + ";mso-pattern:auto none;white-space:nowrap;}";
}

std::string makePageHead() {
  std::string head =
      "<html><head><style id=TableTrace_Styles ><!--table {mso-displayed-decimal-separator:\"\\,\"; "
      "mso-displayed-thousand-separator:;}";
  for (const StyleRule& rule : kStyleRules) head += styleRule(rule);
  head += "--></style></head><body><div id=TableTrace align=center >";
  head += "<H2>Quillmote Trace</H2>\r\n";
  return head;
}

std::vector<std::string_view> splitCells(std::string_view rowTemplate) {
  std::vector<std::string_view> cells;
  for (;;) {
    std::size_t end = rowTemplate.find(kCellSeparator);
    cells.push_back(rowTemplate.substr(0, end));
    if (end == std::string_view::npos) return cells;
    rowTemplate.remove_prefix(end + kCellSeparator.size());
  }
}

std::string_view classOf(std::string_view cell) {
  for (const auto& [token, className] : kCellClasses) {
    if (cell.starts_with(token)) return className;
  }
  return kGrey;
}

// Builds one cell's content: literal template text as written, values escaped
// for the form, image cells as pieces of their own in HTML.
class CellFiller {
 public:
  CellFiller(TraceForm form, const RowValues& values) : m_form(form), m_values(values) {
    if (values.variables == nullptr) return;
    const VariableTable& table = *values.variables;
    for (unsigned char index : table.nameLengthOrder()) {
      const std::string& name = table.nameAt(index);
      m_variables.emplace_back(name, VariableTable::readValue(table.get(name)));
    }
  }

  std::vector<RowPiece> fill(std::string_view cell) const {
    std::vector<RowPiece> pieces;
    std::size_t at = 0;
    while (at < cell.size()) {
      std::string_view rest = cell.substr(at);
      std::size_t used = rest.front() == '$' ? variableAt(rest, pieces) : tokenAt(rest, pieces);
      if (used == 0) {
        appendText(pieces, std::string(1, rest.front()));
        used = 1;
      }
      at += used;
    }
    return pieces;
  }

 private:
  std::size_t variableAt(std::string_view rest, std::vector<RowPiece>& pieces) const {
    for (const auto& [name, value] : m_variables) {
      if (!name.empty() && rest.starts_with(name)) {
        appendText(pieces, std::string(kNbsp) + valueText(value));
        return name.size();
      }
    }
    return 0;
  }

  std::size_t tokenAt(std::string_view rest, std::vector<RowPiece>& pieces) const {
    for (const auto& [name, token] : kTokens) {
      if (!rest.starts_with(name)) continue;
      if (token == Token::Selected || token == Token::Found) {
        if (m_form == TraceForm::Html) {
          pieces.push_back({{}, token == Token::Selected ? ImageCell::Selected : ImageCell::Found});
        } else {
          appendText(pieces, "-");
        }
      } else {
        appendText(pieces, tokenValue(token));
      }
      return name.size();
    }
    return 0;
  }

  std::string tokenValue(Token token) const {
    switch (token) {
      case Token::Lnum: return std::to_string(m_values.line);
      case Token::Inum: return std::to_string(m_values.instruction);
      case Token::Instruction: return valueText(m_values.instructionText);
      case Token::Desc1: return valueText(m_values.desc1);
      case Token::Desc2: return valueText(m_values.desc2);
      case Token::Output: return valueText(m_values.output);
      case Token::Target: return valueText(m_values.targetModeLine) + "<BR>" + valueText(m_values.targetTitleLine);
      case Token::Selected:
      case Token::Found: break;
    }
    return {};
  }

  std::string valueText(std::string_view value) const {
    return isHtmlForm(m_form) ? escapeHtml(value) : std::string(value);
  }

  static void appendText(std::vector<RowPiece>& pieces, const std::string& text) {
    if (pieces.empty() || pieces.back().image != ImageCell::None) pieces.push_back({});
    pieces.back().text += text;
  }

  TraceForm m_form;
  const RowValues& m_values;
  std::vector<std::pair<std::string, std::string>> m_variables;
};

bool isEmpty(const std::vector<RowPiece>& pieces) {
  for (const RowPiece& piece : pieces) {
    if (piece.image != ImageCell::None || !piece.text.empty()) return false;
  }
  return true;
}

void appendPieces(std::vector<RowPiece>& row, std::vector<RowPiece> pieces) {
  for (RowPiece& piece : pieces) {
    if (piece.image == ImageCell::None && !row.empty() && row.back().image == ImageCell::None) {
      row.back().text += piece.text;
    } else {
      row.push_back(std::move(piece));
    }
  }
}

bool isPlainNumber(std::string_view text) {
  const std::size_t pos = text.front() == '+' || text.front() == '-' ? 1 : 0;
  if (pos >= text.size()) return false;
  const std::size_t digits = text.find_first_not_of("0123456789", pos);
  if (digits == pos) return false;
  if (digits == std::string_view::npos) return true;
  if (text[digits] != '.') return false;
  const std::size_t rest = digits + 1;
  return rest < text.size() && text.find_first_not_of("0123456789", rest) == std::string_view::npos;
}

std::vector<RowPiece> htmlRow(std::string_view rowTemplate, const CellFiller& filler) {
  std::vector<RowPiece> row{{"<TR>", ImageCell::None}};
  for (std::string_view cell : splitCells(rowTemplate)) {
    std::string_view className = classOf(cell);
    std::vector<RowPiece> content = filler.fill(cell);
    if ((className == "xOutput" || className == "xDesc1") && isEmpty(content)) {
      className = kWhite;
      content = {{std::string(kNbsp), ImageCell::None}};
    }
    appendPieces(row, {{"<TD class=" + std::string(className) + " >", ImageCell::None}});
    appendPieces(row, std::move(content));
    appendPieces(row, {{"</TD>", ImageCell::None}});
  }
  appendPieces(row, {{"</TR>", ImageCell::None}});
  return row;
}

std::vector<RowPiece> csvRow(std::string_view rowTemplate, const CellFiller& filler) {
  std::string line;
  bool first = true;
  for (std::string_view cell : splitCells(rowTemplate)) {
    std::string content;
    for (const RowPiece& piece : filler.fill(cell)) content += piece.text;
    if (!first) line += kCellSeparator;
    first = false;
    line += quoteCsvCell(content);
  }
  return {{std::move(line), ImageCell::None}};
}

}  // namespace

TraceForm traceFormOf(std::string_view fileName) {
  if (fileName.ends_with(".htm")) return TraceForm::Html;
  if (fileName.ends_with(".xls")) return TraceForm::Spreadsheet;
  return TraceForm::Csv;
}

const std::string& tracePageHead() {
  static const std::string kHead = makePageHead();
  return kHead;
}

std::vector<TemplateCell> templateCells(std::string_view rowTemplate) {
  std::vector<TemplateCell> cells;
  for (std::string_view cell : splitCells(rowTemplate)) cells.push_back({classOf(cell), std::string(cell)});
  return cells;
}

std::string traceHeaderLine(std::string_view rowTemplate, TraceForm form) {
  std::string line = isHtmlForm(form) ? "<TABLE><TR>" : "";
  bool first = true;
  for (const TemplateCell& cell : templateCells(rowTemplate)) {
    if (isHtmlForm(form)) {
      line += "<TD class=" + std::string(cell.className) + " ><B>" + cell.text + "</B></TD>";
    } else {
      if (!first) line += kCellSeparator;
      line += quoteCsvCell(cell.text);
    }
    first = false;
  }
  return isHtmlForm(form) ? line + "</TR>" : line;
}

std::vector<RowPiece> traceRow(std::string_view rowTemplate, TraceForm form, const RowValues& values) {
  CellFiller filler(form, values);
  return isHtmlForm(form) ? htmlRow(rowTemplate, filler) : csvRow(rowTemplate, filler);
}

std::string escapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string quoteCsvCell(std::string_view text) {
  std::string cell(text);
  // A spreadsheet opening the trace would run such a cell as a formula
  // (=HYPERLINK(...) from the clipboard): a leading apostrophe keeps it text,
  // as spreadsheet exports do. Plain numbers and the image cells' "-" stay.
  if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos &&
      cell != "-" && !isPlainNumber(cell)) {
    cell.insert(0, 1, '\'');
  }
  if (cell.find_first_of(";\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace qlm
