// Workbooks come from anywhere: every one must be read, changed and written
// back, or refused, without a crash. The first byte chooses the format.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "spreadsheet/Workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char* names[] = {"fuzz.xlsx", "fuzz.ods", "fuzz.csv"};
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  auto book = qlm::Workbook::fromBytes(std::move(bytes), names[data[0] % 3]);
  if (!book) return 0;
  for (int sheet = 0; sheet < (*book)->sheetCount() && sheet < 3; ++sheet) {
    for (qlm::CellAddress cell : {qlm::CellAddress{0, 0}, qlm::CellAddress{1, 1}, qlm::CellAddress{2, 2}}) {
      (void)(*book)->read(sheet, cell);
    }
  }
  if (!(*book)->write(0, {0, 1}, "12.5")) return 0;
  (*book)->write(0, {3, 0}, "text  with spaces");
  (void)(*book)->read(0, {0, 2});
  (void)(*book)->contents();
  return 0;
}
