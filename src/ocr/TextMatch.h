#pragma once
// Whether recognised text holds a pattern, forgiving what recognition gets
// wrong: case, look-alike characters, and the unknown-character mark "_".
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

// Texts are Windows-1252.
struct TextMatch {
  bool matched = false;
  // Where in the recognised text the match begins; none for an empty pattern.
  std::optional<std::size_t> start;
};

TextMatch matchText(std::string_view recognised, std::string_view pattern);

// The filter is held in 187 characters; a longer one is cut there.
inline constexpr std::size_t kMaxTextFilter = 187;

// GetText's result: "<text>:OK" when matched, else "<text><><filter><[<text length>,<filter length>]".
std::string textResult(std::string_view recognised, std::string_view filter);

}  // namespace qlm
