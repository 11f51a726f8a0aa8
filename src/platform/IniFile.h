#pragma once
// An INI text ("[Section]" headers, "Entry=value" lines) edited line by line,
// so that comments and unknown lines survive a write. Section and entry names
// compare without regard to case, as the profile functions of the design did.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

class IniFile {
public:
  IniFile() = default;
  explicit IniFile(std::string_view text);

  // An empty section names the entries before the first header.
  std::optional<std::string> get(std::string_view section, std::string_view entry) const;
  // First match of `entry` in any section, the unnamed one first.
  std::optional<std::string> getAnywhere(std::string_view entry) const;
  void set(std::string_view section, std::string_view entry, std::string_view value);
  std::string text() const;

private:
  struct Found {
    std::size_t sectionLine;  // npos: no such section
    std::size_t entryLine;    // npos: no such entry
    std::size_t sectionEnd;   // first line behind the section
  };
  Found find(std::string_view section, std::string_view entry) const;

  std::vector<std::string> m_lines;
};

}  // namespace qlm
