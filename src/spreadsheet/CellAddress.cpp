#include "spreadsheet/CellAddress.h"

namespace qlm {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::optional<CellAddress> parseOneCell(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  long long column = 0;
  std::size_t letters = 0;
  while (i < text.size() && upper(text[i]) >= 'A' && upper(text[i]) <= 'Z' && letters < 4) {
    column = column * 26 + (upper(text[i]) - 'A' + 1);
    ++i;
    ++letters;
  }
  if (letters == 0 || column > kMaxColumns) return std::nullopt;
  if (i < text.size() && text[i] == '$') ++i;
  long long row = 0;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 8) {
    row = row * 10 + (text[i] - '0');
    ++i;
    ++digits;
  }
  if (digits == 0 || i != text.size() || row < 1 || row > kMaxRows) return std::nullopt;
  return CellAddress{static_cast<int>(row - 1), static_cast<int>(column - 1)};
}

}  // namespace

std::optional<CellAddress> parseCellName(std::string_view name) {
  std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return parseOneCell(name);
  std::optional<CellAddress> first = parseOneCell(name.substr(0, colon));
  if (!first || !parseOneCell(name.substr(colon + 1))) return std::nullopt;
  return first;
}

std::string cellName(CellAddress cell) {
  std::string letters;
  for (int column = cell.column + 1; column > 0; column = (column - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
  }
  return letters + std::to_string(cell.row + 1);
}

}  // namespace qlm
