#include "spreadsheet/PackageEdit.h"

#include "spreadsheet/Workbook.h"

#include <algorithm>
#include <deque>
#include <cstdlib>
#include <map>
#include <sstream>

#include <pugixml.hpp>
#include <zip.h>

namespace qlm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Failure = Result<Bytes>;

// Parts larger than this are refused before they are inflated: a few bytes
// of a damaged or hostile package can claim gigabytes.
constexpr zip_uint64_t kMaxPartBytes = 512u << 20;

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;
constexpr unsigned kFormat = pugi::format_raw | pugi::format_no_declaration;

// An archive opened from memory and written back to memory.
class Package {
 public:
  ~Package() {
    if (m_archive) zip_discard(m_archive);
    if (m_source) zip_source_free(m_source);
  }

  bool open(std::span<const std::uint8_t> bytes) {
    zip_error_t error;
    zip_error_init(&error);
    m_source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!m_source) return fail(error);
    m_archive = zip_open_from_source(m_source, 0, &error);
    if (!m_archive) return fail(error);
    zip_source_keep(m_source);  // the archive's closing writes the new package into it
    return true;
  }

  std::optional<std::string> read(const std::string& name) {
    zip_int64_t index = zip_name_locate(m_archive, name.c_str(), 0);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(m_archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE) || stat.size > kMaxPartBytes) {
      m_error = "no readable part " + name;
      return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) return archiveFailure();
    std::string data(static_cast<std::size_t>(stat.size), '\0');
    zip_int64_t got = zip_fread(file, data.data(), data.size());
    zip_fclose(file);
    if (got != static_cast<zip_int64_t>(data.size())) {
      m_error = "damaged part " + name;
      return std::nullopt;
    }
    return data;
  }

  bool replace(const std::string& name, std::string data) {
    zip_int64_t index = zip_name_locate(m_archive, name.c_str(), 0);
    if (index < 0) return archiveFailure(), false;
    m_kept.push_back(std::move(data));
    zip_source_t* part = zip_source_buffer(m_archive, m_kept.back().data(), m_kept.back().size(), 0);
    if (!part) return archiveFailure(), false;
    if (zip_file_replace(m_archive, static_cast<zip_uint64_t>(index), part, 0) != 0) {
      zip_source_free(part);
      return archiveFailure(), false;
    }
    return true;
  }

  bool add(const std::string& name, std::string data) {
    m_kept.push_back(std::move(data));
    zip_source_t* part = zip_source_buffer(m_archive, m_kept.back().data(), m_kept.back().size(), 0);
    if (!part) return archiveFailure(), false;
    zip_int64_t index = zip_file_add(m_archive, name.c_str(), part, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(part);
      return archiveFailure(), false;
    }
    // Packages made for a reader in memory are not compressed: that would only cost time.
    if (m_storeOnly) zip_set_file_compression(m_archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    return true;
  }

  bool create(bool storeOnly) {
    m_storeOnly = storeOnly;
    zip_error_t error;
    zip_error_init(&error);
    m_source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!m_source) return fail(error);
    m_archive = zip_open_from_source(m_source, ZIP_TRUNCATE, &error);
    if (!m_archive) return fail(error);
    zip_source_keep(m_source);
    return true;
  }

  std::vector<std::string> names() {
    std::vector<std::string> all;
    zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      if (const char* name = zip_get_name(m_archive, static_cast<zip_uint64_t>(i), 0)) all.emplace_back(name);
    }
    return all;
  }

  bool remove(const std::string& name) {
    zip_int64_t index = zip_name_locate(m_archive, name.c_str(), 0);
    return index >= 0 && zip_delete(m_archive, static_cast<zip_uint64_t>(index)) == 0;
  }

  std::optional<Bytes> finish() {
    if (zip_close(m_archive) != 0) return archiveFailure();
    m_archive = nullptr;
    zip_stat_t stat;
    if (zip_source_stat(m_source, &stat) != 0 || zip_source_open(m_source) != 0) {
      m_error = "cannot write the package";
      return std::nullopt;
    }
    Bytes bytes(static_cast<std::size_t>(stat.size));
    zip_int64_t got = zip_source_read(m_source, bytes.data(), bytes.size());
    zip_source_close(m_source);
    if (got != static_cast<zip_int64_t>(bytes.size())) {
      m_error = "cannot write the package";
      return std::nullopt;
    }
    return bytes;
  }

  const std::string& error() const { return m_error; }

  std::uint64_t inflatedSize() {
    std::uint64_t total = 0;
    zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      zip_stat_t stat;
      if (zip_stat_index(m_archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        return UINT64_MAX;
      }
      total += std::min<std::uint64_t>(stat.size, UINT64_MAX / 2);
    }
    return total;
  }

 private:
  bool fail(zip_error_t& error) {
    m_error = std::string("not a workbook package: ") + zip_error_strerror(&error);
    zip_error_fini(&error);
    return false;
  }
  std::nullopt_t archiveFailure() {
    m_error = std::string("damaged workbook package: ") + zip_strerror(m_archive);
    return std::nullopt;
  }

  zip_source_t* m_source = nullptr;
  zip_t* m_archive = nullptr;
  bool m_storeOnly = false;
  std::deque<std::string> m_kept;
  std::string m_error;
};

bool parseXml(pugi::xml_document& doc, const std::string& text) {
  return doc.load_buffer(text.data(), text.size(), kParse, pugi::encoding_utf8);
}

std::string xmlText(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", kFormat, pugi::encoding_utf8);
  return out.str();
}

std::map<int, std::vector<const CellChange*>> changesBySheet(std::span<const CellChange> changes) {
  std::map<int, std::vector<const CellChange*>> bySheet;
  for (const CellChange& change : changes) bySheet[change.sheet].push_back(&change);
  return bySheet;
}

// ---- .xlsx (Office Open XML) ----
//
// xl/workbook.xml            <sheets><sheet r:id=...> in the workbook's order
// xl/_rels/workbook.xml.rels  Relationship Id -> Target (the sheet's part, relative to xl/)
// xl/worksheets/sheetN.xml   <sheetData><row r="1"><c r="A1" s=style t=type><f>formula</f><v>value</v>
//                            or <is><t>inline text</t></is></c>
// Rows and cells are in ascending order; "r" may be left out, meaning "the next one".

std::string prefixOf(pugi::xml_node root) {
  std::string_view name = root.name();
  std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

const char* attributeEndingWith(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_attribute attribute : node.attributes()) {
    std::string_view name = attribute.name();
    if (name.size() > local.size() && name.ends_with(local) && name[name.size() - local.size() - 1] == ':') {
      return attribute.value();
    }
  }
  return nullptr;
}

std::optional<std::vector<std::string>> xlsxSheetParts(Package& package, std::string& error) {
  pugi::xml_document workbook;
  pugi::xml_document relations;
  auto workbookText = package.read("xl/workbook.xml");
  auto relationsText = package.read("xl/_rels/workbook.xml.rels");
  if (!workbookText || !relationsText || !parseXml(workbook, *workbookText) || !parseXml(relations, *relationsText)) {
    error = "damaged workbook: no readable list of sheets";
    return std::nullopt;
  }
  std::map<std::string, std::string> targets;
  for (pugi::xml_node relation : relations.document_element().children()) {
    std::string target = relation.attribute("Target").value();
    targets[relation.attribute("Id").value()] = target.starts_with('/') ? target.substr(1) : "xl/" + target;
  }
  std::string prefix = prefixOf(workbook.document_element());
  std::vector<std::string> parts;
  for (pugi::xml_node sheet : workbook.document_element().child((prefix + "sheets").c_str()).children()) {
    const char* id = attributeEndingWith(sheet, "id");
    parts.push_back(id && targets.count(id) ? targets[id] : std::string());
  }
  return parts;
}

int xlsxRowIndex(pugi::xml_node row, int previous) {
  int r = row.attribute("r").as_int(0);
  return r >= 1 ? r - 1 : previous + 1;
}

std::optional<int> xlsxCellColumn(pugi::xml_node cell, int previous) {
  const char* r = cell.attribute("r").value();
  if (!*r) return previous + 1;
  auto address = parseCellName(r);
  if (!address) return std::nullopt;
  return address->column;
}

// Gives every row and cell its "r" before one is inserted, so that none moves.
void nameRows(pugi::xml_node sheetData, const std::string& prefix) {
  int previous = -1;
  std::string rowName = prefix + "row";
  for (pugi::xml_node row : sheetData.children(rowName.c_str())) {
    previous = xlsxRowIndex(row, previous);
    if (!row.attribute("r")) row.append_attribute("r") = previous + 1;
  }
}

void nameCells(pugi::xml_node row, const std::string& prefix, int rowIndex) {
  int previous = -1;
  std::string cellTag = prefix + "c";
  for (pugi::xml_node cell : row.children(cellTag.c_str())) {
    previous = xlsxCellColumn(cell, previous).value_or(previous + 1);
    if (!cell.attribute("r")) cell.append_attribute("r") = cellName({rowIndex, previous}).c_str();
  }
}

pugi::xml_node xlsxCell(pugi::xml_node sheetData, const std::string& prefix, CellAddress address, bool create) {
  std::string rowName = prefix + "row";
  std::string cellTag = prefix + "c";
  nameRows(sheetData, prefix);
  pugi::xml_node row;
  for (pugi::xml_node candidate : sheetData.children(rowName.c_str())) {
    int index = candidate.attribute("r").as_int() - 1;
    if (index == address.row) {
      row = candidate;
      break;
    }
    if (index > address.row) {
      if (!create) return {};
      row = sheetData.insert_child_before(rowName.c_str(), candidate);
      break;
    }
  }
  if (!row) {
    if (!create) return {};
    row = sheetData.append_child(rowName.c_str());
  }
  if (!row.attribute("r")) row.append_attribute("r") = address.row + 1;
  nameCells(row, prefix, address.row);
  for (pugi::xml_node cell : row.children(cellTag.c_str())) {
    auto column = parseCellName(cell.attribute("r").value());
    if (column && column->column == address.column) return cell;
    if (column && column->column > address.column) {
      if (!create) return {};
      pugi::xml_node made = row.insert_child_before(cellTag.c_str(), cell);
      made.append_attribute("r") = cellName(address).c_str();
      return made;
    }
  }
  if (!create) return {};
  pugi::xml_node made = row.append_child(cellTag.c_str());
  made.append_attribute("r") = cellName(address).c_str();
  return made;
}

void extendDimension(pugi::xml_node worksheet, const std::string& prefix, CellAddress address) {
  pugi::xml_attribute ref = worksheet.child((prefix + "dimension").c_str()).attribute("ref");
  if (!ref) return;
  std::string text = ref.value();
  std::size_t colon = text.find(':');
  auto first = parseCellName(text.substr(0, colon));
  auto last = colon == std::string::npos ? first : parseCellName(text.substr(colon + 1));
  if (!first || !last) return;
  CellAddress low{std::min(first->row, address.row), std::min(first->column, address.column)};
  CellAddress high{std::max(last->row, address.row), std::max(last->column, address.column)};
  ref.set_value((cellName(low) + ":" + cellName(high)).c_str());
}

// The workbook's table of texts (xl/sharedStrings.xml: <sst><si><t>text</t></si>...), which
// cells of type "s" index from 0. Readers do not all know texts written into the cell itself,
// so written texts go here; the part is made when the workbook has none.
class SharedStrings {
 public:
  explicit SharedStrings(Package& package) : m_package(package) {}

  std::optional<int> indexOf(const std::string& text) {
    if (!m_loaded && !load()) return std::nullopt;
    auto known = m_indices.find(text);
    if (known != m_indices.end()) return known->second;
    pugi::xml_node item = m_doc.document_element().append_child((m_prefix + "si").c_str());
    pugi::xml_node t = item.append_child((m_prefix + "t").c_str());
    if (needsPreservedSpace(text)) t.append_attribute("xml:space") = "preserve";
    t.text() = text.c_str();
    int index = m_count++;
    m_indices[text] = index;
    m_changed = true;
    return index;
  }

  bool store() {
    if (!m_changed) return true;
    pugi::xml_node table = m_doc.document_element();
    table.remove_attribute("uniqueCount");
    table.append_attribute("uniqueCount") = m_count;
    // "count" is the number of cells that use the table; one more per written text is close
    // enough for every reader, which take it as a hint.
    pugi::xml_attribute uses = table.attribute("count");
    if (uses) uses.set_value(std::max(uses.as_int(), m_count));
    if (m_created) return m_package.add(m_path, xmlText(m_doc)) && declarePart();
    return m_package.replace(m_path, xmlText(m_doc));
  }

 private:
  static bool needsPreservedSpace(const std::string& text) {
    return !text.empty() && (text.front() == ' ' || text.back() == ' ' || text.find_first_of("\t\n") != std::string::npos);
  }

  bool load() {
    m_loaded = true;
    auto relations = m_package.read("xl/_rels/workbook.xml.rels");
    if (!relations || !parseXml(m_relations, *relations)) return false;
    for (pugi::xml_node relation : m_relations.document_element().children()) {
      if (std::string_view(relation.attribute("Type").value()).ends_with("/sharedStrings")) {
        std::string target = relation.attribute("Target").value();
        m_path = target.starts_with('/') ? target.substr(1) : "xl/" + target;
      }
    }
    if (m_path.empty()) {
      m_path = "xl/sharedStrings.xml";
      m_created = true;
      m_doc.append_child("sst").append_attribute("xmlns") = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
      return true;
    }
    auto text = m_package.read(m_path);
    if (!text || !parseXml(m_doc, *text)) return false;
    m_prefix = prefixOf(m_doc.document_element());
    for (pugi::xml_node item : m_doc.document_element().children()) {
      if (std::string_view(item.name()) != m_prefix + "si") continue;
      pugi::xml_node t = item.child((m_prefix + "t").c_str());
      // Only plain texts are shared again; formatted runs keep their own entries.
      if (t && !item.child((m_prefix + "r").c_str())) m_indices.emplace(t.text().get(), m_count);
      ++m_count;
    }
    return true;
  }

  bool declarePart() {
    pugi::xml_node relation = m_relations.document_element().append_child("Relationship");
    relation.append_attribute("Id") = "rIdQuillmoteSharedStrings";
    relation.append_attribute("Type") = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
    relation.append_attribute("Target") = "sharedStrings.xml";
    auto types = m_package.read("[Content_Types].xml");
    pugi::xml_document typesDoc;
    if (!types || !parseXml(typesDoc, *types)) return false;
    pugi::xml_node override = typesDoc.document_element().append_child("Override");
    override.append_attribute("PartName") = "/xl/sharedStrings.xml";
    override.append_attribute("ContentType") = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
    return m_package.replace("xl/_rels/workbook.xml.rels", xmlText(m_relations)) &&
           m_package.replace("[Content_Types].xml", xmlText(typesDoc));
  }

  Package& m_package;
  pugi::xml_document m_doc;
  pugi::xml_document m_relations;
  std::string m_path;
  std::string m_prefix;
  std::map<std::string, int> m_indices;
  int m_count = 0;
  bool m_loaded = false;
  bool m_created = false;
  bool m_changed = false;
};

// False when the cell holds the formula that other cells share (replacing
// it would take their formula away), or the text table cannot be read.
bool setXlsxCell(pugi::xml_node cell, const std::string& prefix, const CellChange& change, SharedStrings& strings) {
  using Kind = CellContent::Kind;
  pugi::xml_node formula = cell.child((prefix + "f").c_str());
  if (!change.keepFormula && formula && formula.attribute("ref") &&
      std::string_view(formula.attribute("t").value()) == "shared") {
    return false;
  }
  for (const char* child : {"v", "is"}) {
    while (pugi::xml_node old = cell.child((prefix + child).c_str())) cell.remove_child(old);
  }
  cell.remove_attribute("t");
  if (!change.keepFormula) {
    if (formula) cell.remove_child(formula);
    formula = {};
    cell.remove_attribute("cm");
    cell.remove_attribute("vm");
  }
  const CellContent& content = change.content;
  auto addValue = [&](const char* type, const std::string& text) {
    if (type) cell.prepend_attribute("t") = type;
    pugi::xml_node value = formula ? cell.insert_child_after((prefix + "v").c_str(), formula)
                                   : cell.prepend_child((prefix + "v").c_str());
    value.text() = text.c_str();
  };
  switch (content.kind) {
    case Kind::Number:
      addValue(nullptr, content.text);
      break;
    case Kind::Error:
      addValue("e", content.text);
      break;
    case Kind::Text:
      if (change.keepFormula) {
        addValue("str", content.text);
      } else {
        std::optional<int> index = strings.indexOf(content.text);
        if (!index) return false;
        addValue("s", std::to_string(*index));
      }
      break;
    case Kind::Empty:
      if (change.keepFormula) addValue("str", "");
      break;
  }
  return true;
}

// The calculation chain lists the cells that hold formulas; a cell whose
// formula was replaced would make it wrong, and programs rebuild it when it is missing.
void dropCalculationChain(Package& package) {
  if (!package.remove("xl/calcChain.xml")) return;
  auto dropMatching = [&](const std::string& part, const char* attribute, std::string_view ending) {
    auto text = package.read(part);
    pugi::xml_document doc;
    if (!text || !parseXml(doc, *text)) return;
    for (pugi::xml_node node = doc.document_element().first_child(); node;) {
      pugi::xml_node next = node.next_sibling();
      if (std::string_view(node.attribute(attribute).value()).ends_with(ending)) doc.document_element().remove_child(node);
      node = next;
    }
    package.replace(part, xmlText(doc));
  };
  dropMatching("xl/_rels/workbook.xml.rels", "Type", "/calcChain");
  dropMatching("[Content_Types].xml", "PartName", "/calcChain.xml");
}

// ---- .ods (OpenDocument) ----
//
// content.xml  office:document-content/office:body/office:spreadsheet/table:table (one per sheet)
//              rows: table:table-row, also inside table:table-row-group, -header-rows, -rows;
//              table:number-rows-repeated="n" stands for n equal rows
//              cells: table:table-cell or table:covered-table-cell, table:number-columns-repeated="n";
//              a value is office:value-type with office:value (numbers) and the shown text in text:p;
//              a formula is table:formula with its last result in the same attributes.

constexpr const char* kRowsRepeated = "table:number-rows-repeated";
constexpr const char* kColumnsRepeated = "table:number-columns-repeated";

int repeatOf(pugi::xml_node node, const char* attribute) {
  int count = node.attribute(attribute).as_int(1);
  return count < 1 ? 1 : count;
}

void setRepeat(pugi::xml_node node, const char* attribute, int count) {
  node.remove_attribute(attribute);
  if (count > 1) node.append_attribute(attribute) = count;
}

// Splits a node that stands for `count` equal ones so that the one at
// `offset` stands alone, and returns it.
pugi::xml_node splitRepeated(pugi::xml_node node, const char* attribute, int offset, int count) {
  if (count <= 1) return node;
  pugi::xml_node parent = node.parent();
  if (offset > 0) setRepeat(parent.insert_copy_before(node, node), attribute, offset);
  if (count - offset - 1 > 0) setRepeat(parent.insert_copy_after(node, node), attribute, count - offset - 1);
  setRepeat(node, attribute, 1);
  return node;
}

void collectRows(pugi::xml_node parent, std::vector<pugi::xml_node>& rows) {
  for (pugi::xml_node child : parent.children()) {
    std::string_view name = child.name();
    if (name == "table:table-row") {
      rows.push_back(child);
    } else if (name == "table:table-row-group" || name == "table:table-header-rows" || name == "table:table-rows") {
      collectRows(child, rows);
    }
  }
}

pugi::xml_node emptyCell(pugi::xml_node row, int count) {
  pugi::xml_node cell = row.append_child("table:table-cell");
  setRepeat(cell, kColumnsRepeated, count);
  return cell;
}

pugi::xml_node odsRow(pugi::xml_node table, int rowIndex) {
  std::vector<pugi::xml_node> rows;
  collectRows(table, rows);
  int start = 0;
  for (pugi::xml_node row : rows) {
    int count = repeatOf(row, kRowsRepeated);
    if (rowIndex < start + count) return splitRepeated(row, kRowsRepeated, rowIndex - start, count);
    start += count;
  }
  pugi::xml_node parent = rows.empty() ? table : rows.back().parent();
  pugi::xml_node after = rows.empty() ? pugi::xml_node() : rows.back();
  if (rowIndex > start) {
    pugi::xml_node filler = after ? parent.insert_child_after("table:table-row", after) : parent.append_child("table:table-row");
    setRepeat(filler, kRowsRepeated, rowIndex - start);
    emptyCell(filler, 1);
    after = filler;
  }
  return after ? parent.insert_child_after("table:table-row", after) : parent.append_child("table:table-row");
}

pugi::xml_node odsCell(pugi::xml_node row, int column) {
  int start = 0;
  for (pugi::xml_node cell : row.children()) {
    std::string_view name = cell.name();
    if (name != "table:table-cell" && name != "table:covered-table-cell") continue;
    int count = repeatOf(cell, kColumnsRepeated);
    if (column < start + count) return splitRepeated(cell, kColumnsRepeated, column - start, count);
    start += count;
  }
  if (column > start) emptyCell(row, column - start);
  return row.append_child("table:table-cell");
}

// Spaces beyond the first of a run, tabs and line breaks have elements of their own in ODF text.
void appendParagraphs(pugi::xml_node cell, const std::string& text) {
  std::size_t lineStart = 0;
  while (true) {
    std::size_t lineEnd = text.find('\n', lineStart);
    std::string line = text.substr(lineStart, lineEnd == std::string::npos ? std::string::npos : lineEnd - lineStart);
    pugi::xml_node paragraph = cell.append_child("text:p");
    std::string run;
    auto flush = [&] {
      if (!run.empty()) paragraph.append_child(pugi::node_pcdata).set_value(run.c_str());
      run.clear();
    };
    for (std::size_t i = 0; i < line.size();) {
      if (line[i] == '\t') {
        flush();
        paragraph.append_child("text:tab");
        ++i;
      } else if (line[i] == ' ' && (i == 0 || i + 1 == line.size() || line[i + 1] == ' ')) {
        std::size_t end = line.find_first_not_of(' ', i);
        if (end == std::string::npos) end = line.size();
        // A space between words stays a character; the others of the run become one text:s.
        bool keepFirst = i > 0 && end < line.size();
        if (keepFirst) run += ' ';
        std::size_t count = end - i - (keepFirst ? 1 : 0);
        flush();
        pugi::xml_node spaces = paragraph.append_child("text:s");
        if (count > 1) spaces.append_attribute("text:c") = static_cast<int>(count);
        i = end;
      } else {
        run += line[i++];
      }
    }
    flush();
    if (lineEnd == std::string::npos) break;
    lineStart = lineEnd + 1;
  }
}

void setOdsCell(pugi::xml_node cell, const CellChange& change) {
  using Kind = CellContent::Kind;
  for (const char* attribute : {"office:value-type", "office:value", "office:date-value", "office:time-value",
                                "office:boolean-value", "office:string-value", "office:currency", "calcext:value-type"}) {
    cell.remove_attribute(attribute);
  }
  if (!change.keepFormula) cell.remove_attribute("table:formula");
  while (pugi::xml_node paragraph = cell.child("text:p")) cell.remove_child(paragraph);
  const CellContent& content = change.content;
  switch (content.kind) {
    case Kind::Number:
      cell.append_attribute("office:value-type") = "float";
      cell.append_attribute("office:value") = content.text.c_str();
      appendParagraphs(cell, content.text);
      break;
    case Kind::Text:
      cell.append_attribute("office:value-type") = "string";
      if (change.keepFormula) cell.append_attribute("office:string-value") = content.text.c_str();
      appendParagraphs(cell, content.text);
      break;
    case Kind::Error:
      cell.append_attribute("office:value-type") = "string";
      cell.append_attribute("office:string-value") = "";
      appendParagraphs(cell, content.text);
      break;
    case Kind::Empty:
      if (change.keepFormula) {
        cell.append_attribute("office:value-type") = "string";
        cell.append_attribute("office:string-value") = "";
      }
      break;
  }
}


// ---- reading stored cells ----

// All the text below `node`, as a spreadsheet shows it: ODF's text:s and
// text:tab stand for spaces and a tab, paragraphs are lines; phonetic runs
// of .xlsx (rPh) are not shown.
void appendShownText(pugi::xml_node node, std::string& text) {
  for (pugi::xml_node child : node.children()) {
    std::string_view name = child.name();
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      text += child.value();
    } else if (name == "text:s") {
      text.append(static_cast<std::size_t>(std::clamp(child.attribute("text:c").as_int(1), 1, 1000)), ' ');
    } else if (name == "text:tab") {
      text += '\t';
    } else if (name == "text:line-break") {
      text += '\n';
    } else if (name == "office:annotation" || name.ends_with("rPh")) {
      continue;
    } else {
      appendShownText(child, text);
    }
  }
}

std::string numberShown(const char* stored) {
  char* end = nullptr;
  double value = std::strtod(stored, &end);
  if (end == stored) return stored;
  return numberText(value);
}

std::string xlsxShown(pugi::xml_node cell, const std::string& prefix, const std::vector<std::string>& shared) {
  std::string_view type = cell.attribute("t").value();
  const char* value = cell.child((prefix + "v").c_str()).text().get();
  if (type == "s") {
    std::size_t index = static_cast<std::size_t>(std::strtoull(value, nullptr, 10));
    return index < shared.size() ? shared[index] : std::string();
  }
  if (type == "inlineStr") {
    std::string text;
    appendShownText(cell.child((prefix + "is").c_str()), text);
    return text;
  }
  if (type == "b") return std::string_view(value) == "1" ? "TRUE" : "FALSE";
  if (type == "str" || type == "e" || type == "d") return value;
  return *value ? numberShown(value) : std::string();
}

std::string odsShown(pugi::xml_node cell) {
  std::string_view type = cell.attribute("office:value-type").value();
  if (type == "float" || type == "percentage" || type == "currency") return numberShown(cell.attribute("office:value").value());
  if (type == "boolean") return std::string_view(cell.attribute("office:boolean-value").value()) == "true" ? "TRUE" : "FALSE";
  if (type == "string" && cell.attribute("office:string-value")) return cell.attribute("office:string-value").value();
  std::string text;
  for (pugi::xml_node paragraph : cell.children("text:p")) {
    if (!text.empty() || paragraph.previous_sibling("text:p")) text += '\n';
    appendShownText(paragraph, text);
  }
  return text;
}

pugi::xml_node findOdsCell(pugi::xml_node table, CellAddress address) {
  std::vector<pugi::xml_node> rows;
  collectRows(table, rows);
  int start = 0;
  for (pugi::xml_node row : rows) {
    int count = repeatOf(row, kRowsRepeated);
    if (address.row < start + count) {
      int column = 0;
      for (pugi::xml_node cell : row.children()) {
        std::string_view name = cell.name();
        if (name != "table:table-cell" && name != "table:covered-table-cell") continue;
        column += repeatOf(cell, kColumnsRepeated);
        if (address.column < column) return cell;
      }
      return {};
    }
    start += count;
  }
  return {};
}

constexpr unsigned kReadParse = pugi::parse_default | pugi::parse_ws_pcdata;

// The cell found by its row's "r" in the sheet's text, parsing that row alone:
// a sheet of many rows need not be parsed whole for one cell. Nothing when the
// row is not found that way (rows without "r", or no such row).
std::optional<std::string> quickXlsxRead(const std::string& sheet, CellAddress address, const std::vector<std::string>& shared) {
  std::size_t open = sheet.find('<');
  while (open != std::string::npos && open + 1 < sheet.size() && (sheet[open + 1] == '?' || sheet[open + 1] == '!')) {
    open = sheet.find('<', open + 1);
  }
  if (open == std::string::npos) return std::nullopt;
  std::size_t nameEnd = sheet.find_first_of(" \t\r\n>", open);
  std::string root = sheet.substr(open + 1, nameEnd == std::string::npos ? 0 : nameEnd - open - 1);
  std::size_t colon = root.find(':');
  std::string prefix = colon == std::string::npos ? std::string() : root.substr(0, colon + 1);
  std::string needle = "<" + prefix + "row r=\"" + std::to_string(address.row + 1) + "\"";
  std::size_t start = sheet.find(needle);
  if (start == std::string::npos) return std::nullopt;
  std::size_t tagEnd = sheet.find('>', start);
  if (tagEnd == std::string::npos) return std::nullopt;
  std::size_t end = tagEnd + 1;
  if (sheet[tagEnd - 1] != '/') {
    std::string closing = "</" + prefix + "row>";
    std::size_t close = sheet.find(closing, tagEnd);
    if (close == std::string::npos) return std::nullopt;
    end = close + closing.size();
  }
  pugi::xml_document fragment;
  if (!fragment.load_buffer(sheet.data() + start, end - start, kReadParse)) return std::nullopt;
  pugi::xml_node row = fragment.document_element();
  nameCells(row, prefix, address.row);
  std::string cellTag = prefix + "c";
  for (pugi::xml_node cell : row.children(cellTag.c_str())) {
    auto column = parseCellName(cell.attribute("r").value());
    if (column && column->column == address.column) return xlsxShown(cell, prefix, shared);
  }
  return std::string();
}

}  // namespace

struct StoredCells::Impl {
  Package package;
  bool ods = false;
  std::vector<std::string> sheetParts;  // .xlsx
  std::vector<std::string> shared;      // .xlsx
  std::map<int, std::string> sheetTexts;                        // .xlsx, read when first needed
  std::map<int, std::unique_ptr<pugi::xml_document>> sheets;  // .xlsx, parsed when a row has no "r"
  pugi::xml_document content;           // .ods
  std::vector<pugi::xml_node> tables;   // .ods
};

StoredCells::StoredCells(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
StoredCells::~StoredCells() = default;

Result<std::unique_ptr<StoredCells>> StoredCells::open(std::span<const std::uint8_t> bytes, bool ods) {
  using Failure = Result<std::unique_ptr<StoredCells>>;
  auto impl = std::make_unique<Impl>();
  impl->ods = ods;
  Package& package = impl->package;
  if (!package.open(bytes)) return Failure::failure(package.error());
  if (package.inflatedSize() > kMaxPackageBytes) {
    return Failure::failure("the workbook's parts are larger than " + std::to_string(kMaxPackageBytes >> 20) + " MiB");
  }
  if (ods) {
    auto text = package.read("content.xml");
    if (!text || !impl->content.load_buffer(text->data(), text->size(), kReadParse, pugi::encoding_utf8)) {
      return Failure::failure("damaged workbook: unreadable content.xml");
    }
    pugi::xml_node spreadsheet = impl->content.document_element().child("office:body").child("office:spreadsheet");
    for (pugi::xml_node table : spreadsheet.children("table:table")) impl->tables.push_back(table);
  } else {
    std::string error;
    auto parts = xlsxSheetParts(package, error);
    if (!parts) return Failure::failure(error);
    impl->sheetParts = std::move(*parts);
    std::string sharedPart = "xl/sharedStrings.xml";
    pugi::xml_document relations;
    if (auto text = package.read("xl/_rels/workbook.xml.rels"); text && parseXml(relations, *text)) {
      for (pugi::xml_node relation : relations.document_element().children()) {
        if (std::string_view(relation.attribute("Type").value()).ends_with("/sharedStrings")) {
          std::string target = relation.attribute("Target").value();
          sharedPart = target.starts_with('/') ? target.substr(1) : "xl/" + target;
        }
      }
    }
    pugi::xml_document strings;
    if (auto text = package.read(sharedPart); text && strings.load_buffer(text->data(), text->size(), kReadParse)) {
      for (pugi::xml_node item : strings.document_element().children()) {
        std::string shown;
        appendShownText(item, shown);
        impl->shared.push_back(std::move(shown));
      }
    }
  }
  if ((ods ? impl->tables.size() : impl->sheetParts.size()) == 0) return Failure::failure("no sheet in the workbook");
  return std::unique_ptr<StoredCells>(new StoredCells(std::move(impl)));
}

Result<std::vector<std::uint8_t>> StoredCells::plainOds() const {
  using Failure = Result<std::vector<std::uint8_t>>;
  if (!m_impl->ods) return Failure::failure("not an .ods workbook");
  pugi::xml_document plain;
  pugi::xml_node root = plain.append_child("office:document-content");
  for (pugi::xml_attribute attribute : m_impl->content.document_element().attributes()) {
    if (std::string_view(attribute.name()).starts_with("xmlns")) root.append_copy(attribute);
  }
  pugi::xml_node spreadsheet = root.append_child("office:body").append_child("office:spreadsheet");
  auto copyAttributes = [](pugi::xml_node from, pugi::xml_node to, std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (pugi::xml_attribute attribute = from.attribute(name)) to.append_attribute(name) = attribute.value();
    }
  };
  for (pugi::xml_node table : m_impl->tables) {
    pugi::xml_node plainTable = spreadsheet.append_child("table:table");
    copyAttributes(table, plainTable, {"table:name"});
    std::vector<pugi::xml_node> rows;
    collectRows(table, rows);
    for (pugi::xml_node row : rows) {
      pugi::xml_node plainRow = plainTable.append_child("table:table-row");
      copyAttributes(row, plainRow, {kRowsRepeated});
      for (pugi::xml_node cell : row.children()) {
        std::string_view name = cell.name();
        if (name != "table:table-cell" && name != "table:covered-table-cell") continue;
        pugi::xml_node plainCell = plainRow.append_child("table:table-cell");
        copyAttributes(cell, plainCell, {kColumnsRepeated, "office:value-type", "office:value", "office:string-value",
                                          "office:boolean-value", "office:date-value", "office:time-value",
                                          "table:formula"});
        if (cell.child("text:p")) plainCell.append_child("text:p").text() = odsShown(cell).c_str();
      }
    }
  }
  pugi::xml_node names = m_impl->content.document_element().child("office:body").child("office:spreadsheet").child(
      "table:named-expressions");
  if (names) {
    pugi::xml_node plainNames = spreadsheet.append_child("table:named-expressions");
    for (pugi::xml_node named : names.children()) {
      std::string_view name = named.name();
      if (name != "table:named-range" && name != "table:named-expression") continue;
      copyAttributes(named, plainNames.append_child(named.name()),
                     {"table:name", "table:base-cell-address", "table:cell-range-address", "table:expression"});
    }
  }
  Package package;
  if (!package.create(true) || !package.add("mimetype", "application/vnd.oasis.opendocument.spreadsheet") ||
      !package.add("content.xml", xmlText(plain))) {
    return Failure::failure(package.error());
  }
  auto bytes = package.finish();
  if (!bytes) return Failure::failure(package.error());
  return std::move(*bytes);
}

Result<std::vector<std::uint8_t>> StoredCells::repackagedXlsx() const {
  using Failure = Result<std::vector<std::uint8_t>>;
  Package copy;
  if (!copy.create(true)) return Failure::failure(copy.error());
  for (const std::string& name : m_impl->package.names()) {
    if (name.ends_with('/')) continue;
    auto data = m_impl->package.read(name);
    if (!data || !copy.add(name, std::move(*data))) return Failure::failure(m_impl->package.error() + copy.error());
  }
  auto bytes = copy.finish();
  if (!bytes) return Failure::failure(copy.error());
  return std::move(*bytes);
}

int StoredCells::sheetCount() const {
  return static_cast<int>(m_impl->ods ? m_impl->tables.size() : m_impl->sheetParts.size());
}

Result<std::string> StoredCells::read(int sheet, CellAddress cell) {
  if (sheet < 0 || sheet >= sheetCount()) return Result<std::string>::failure("no such sheet");
  if (m_impl->ods) {
    pugi::xml_node found = findOdsCell(m_impl->tables[static_cast<std::size_t>(sheet)], cell);
    return found ? odsShown(found) : std::string();
  }
  std::string& text = m_impl->sheetTexts[sheet];
  if (text.empty()) {
    const std::string& part = m_impl->sheetParts[static_cast<std::size_t>(sheet)];
    auto read = part.empty() ? std::nullopt : m_impl->package.read(part);
    if (!read || read->empty()) {
      return Result<std::string>::failure("damaged workbook: unreadable sheet " + std::to_string(sheet + 1));
    }
    text = std::move(*read);
  }
  if (auto quick = quickXlsxRead(text, cell, m_impl->shared)) return *quick;
  std::unique_ptr<pugi::xml_document>& doc = m_impl->sheets[sheet];
  if (!doc) {
    auto parsed = std::make_unique<pugi::xml_document>();
    if (!parsed->load_buffer(text.data(), text.size(), kReadParse)) {
      return Result<std::string>::failure("damaged workbook: unreadable sheet " + std::to_string(sheet + 1));
    }
    doc = std::move(parsed);
  }
  pugi::xml_node worksheet = doc->document_element();
  std::string prefix = prefixOf(worksheet);
  pugi::xml_node found = xlsxCell(worksheet.child((prefix + "sheetData").c_str()), prefix, cell, false);
  return found ? xlsxShown(found, prefix, m_impl->shared) : std::string();
}

namespace {
}  // namespace

Outcome checkPackage(std::span<const std::uint8_t> bytes) {
  Package package;
  if (!package.open(bytes)) return Outcome::failure(package.error());
  if (package.inflatedSize() > kMaxPackageBytes) {
    return Outcome::failure("the workbook's parts are larger than " + std::to_string(kMaxPackageBytes >> 20) + " MiB");
  }
  return Outcome::success();
}

Result<Bytes> editXlsx(std::span<const std::uint8_t> bytes, std::span<const CellChange> changes) {
  Package package;
  if (!package.open(bytes)) return Failure::failure(package.error());
  std::string error;
  auto parts = xlsxSheetParts(package, error);
  if (!parts) return Failure::failure(error);
  bool formulaReplaced = false;
  SharedStrings strings(package);
  for (const auto& [sheet, sheetChanges] : changesBySheet(changes)) {
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= parts->size() || (*parts)[static_cast<std::size_t>(sheet)].empty()) {
      return Failure::failure("damaged workbook: no part for sheet " + std::to_string(sheet + 1));
    }
    const std::string& part = (*parts)[static_cast<std::size_t>(sheet)];
    auto text = package.read(part);
    pugi::xml_document doc;
    if (!text || !parseXml(doc, *text)) return Failure::failure("damaged workbook: unreadable " + part);
    pugi::xml_node worksheet = doc.document_element();
    std::string prefix = prefixOf(worksheet);
    pugi::xml_node sheetData = worksheet.child((prefix + "sheetData").c_str());
    if (!sheetData) return Failure::failure("damaged workbook: no cells in " + part);
    for (const CellChange* change : sheetChanges) {
      bool create = !change->keepFormula && change->content.kind != CellContent::Kind::Empty;
      pugi::xml_node cell = xlsxCell(sheetData, prefix, change->cell, create);
      if (!cell) continue;
      if (!change->keepFormula && cell.child((prefix + "f").c_str())) formulaReplaced = true;
      if (!setXlsxCell(cell, prefix, *change, strings)) {
        return Failure::failure("cell " + cellName(change->cell) +
                                " holds a formula that other cells share, or the workbook's texts are damaged");
      }
      if (!change->keepFormula && change->content.kind == CellContent::Kind::Empty && !cell.attribute("s") &&
          !cell.first_child()) {
        cell.parent().remove_child(cell);
      } else {
        extendDimension(worksheet, prefix, change->cell);
      }
    }
    if (!package.replace(part, xmlText(doc))) return Failure::failure(package.error());
  }
  if (!strings.store()) return Failure::failure(package.error());
  if (formulaReplaced) dropCalculationChain(package);
  auto result = package.finish();
  if (!result) return Failure::failure(package.error());
  return std::move(*result);
}

Result<Bytes> editOds(std::span<const std::uint8_t> bytes, std::span<const CellChange> changes) {
  Package package;
  if (!package.open(bytes)) return Failure::failure(package.error());
  auto text = package.read("content.xml");
  pugi::xml_document doc;
  if (!text || !parseXml(doc, *text)) return Failure::failure("damaged workbook: unreadable content.xml");
  std::vector<pugi::xml_node> tables;
  pugi::xml_node spreadsheet = doc.document_element().child("office:body").child("office:spreadsheet");
  for (pugi::xml_node table : spreadsheet.children("table:table")) tables.push_back(table);
  for (const CellChange& change : changes) {
    if (change.sheet < 0 || static_cast<std::size_t>(change.sheet) >= tables.size()) {
      return Failure::failure("damaged workbook: no sheet " + std::to_string(change.sheet + 1));
    }
    pugi::xml_node row = odsRow(tables[static_cast<std::size_t>(change.sheet)], change.cell.row);
    setOdsCell(odsCell(row, change.cell.column), change);
  }
  if (!package.replace("content.xml", xmlText(doc))) return Failure::failure(package.error());
  auto result = package.finish();
  if (!result) return Failure::failure(package.error());
  return std::move(*result);
}

}  // namespace qlm
