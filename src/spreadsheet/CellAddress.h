#pragma once
// A cell named the way a spreadsheet user writes it: "B12", "$B$12", or a
// range "B12:C14", of which the first cell is meant.
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

struct CellAddress {
  int row = 0;     // from 0
  int column = 0;  // from 0
  friend bool operator==(const CellAddress&, const CellAddress&) = default;
};

// The limits of today's workbooks: columns A to XFD, rows 1 to 1,048,576.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

std::optional<CellAddress> parseCellName(std::string_view name);
std::string cellName(CellAddress cell);

}  // namespace qlm
