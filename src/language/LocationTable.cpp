#include "language/LocationTable.h"

#include <map>

namespace qlm {

void LocationTable::build(std::span<const LocationSource> records) {
  m_entries.clear();
  m_overflowed = false;
  for (std::size_t row = 0; row < records.size(); ++row) {
    if (records[row].played) scan(records[row].instruction, static_cast<int>(row) + 1);
  }
  numberOccurrences();
}

// A location starts the text or follows "; " outside literals, and runs to
// the character before the next ';' (a blank before it stays in the name).
void LocationTable::scan(std::string_view text, int line) {
  int instruction = 1;
  bool inLiteral = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') inLiteral = !inLiteral;
    if (inLiteral) continue;
    if (c == ';') ++instruction;
    bool startsInstruction = i == 0 || (i >= 2 && text[i - 1] == ' ' && text[i - 2] == ';');
    if (c != ':' || !startsInstruction) continue;
    std::size_t end = text.find(';', i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view name = text.substr(i, end - i);
    if (m_entries.size() >= kCapacity || name.size() > kMaxNameLength) {
      m_overflowed = true;
    } else {
      m_entries.push_back({std::string(name), line, instruction, 0});
    }
    i = end - 1;
  }
}

void LocationTable::numberOccurrences() {
  std::map<std::string, int, std::less<>> seen;
  for (Location& entry : m_entries) entry.occurrence = ++seen[entry.name];
}

const Location* LocationTable::find(std::string_view name, int occurrence) const {
  for (const Location& entry : m_entries) {
    if (entry.name == name && entry.occurrence == occurrence) return &entry;
  }
  return nullptr;
}

}  // namespace qlm
