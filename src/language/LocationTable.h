#pragma once
// Where each location (":NAME" starting an instruction) stands among the
// records to be played, numbered by occurrence so that GoTo can pick the n-th.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

struct Location {
  std::string name;  // with its ':'
  int line = 0;         // 1-based record line
  int instruction = 0;  // 1-based instruction in that line
  int occurrence = 0;   // 1 for the first entry of a name, then 2, ...
};

struct LocationSource {
  std::string_view instruction;
  bool played = true;
};

class LocationTable {
 public:
  static constexpr std::size_t kCapacity = 300;
  static constexpr std::size_t kMaxNameLength = 99;

  // Records beyond capacity are not entered; `overflowed()` tells the caller
  // so that it can warn instead of jumping to a wrong place later.
  void build(std::span<const LocationSource> records);
  const Location* find(std::string_view name, int occurrence) const;

  const std::vector<Location>& entries() const { return m_entries; }
  bool overflowed() const { return m_overflowed; }

 private:
  void scan(std::string_view text, int line);
  void numberOccurrences();

  std::vector<Location> m_entries;
  bool m_overflowed = false;
};

}  // namespace qlm
