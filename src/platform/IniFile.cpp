#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>

namespace qlm {
namespace {

constexpr std::size_t npos = std::string::npos;

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::optional<std::string_view> sectionName(std::string_view line) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

struct Pair {
  std::string_view key;
  std::string_view value;
};

std::optional<Pair> entryOf(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
  auto equals = t.find('=');
  if (equals == npos) return std::nullopt;
  return Pair{trim(t.substr(0, equals)), trim(t.substr(equals + 1))};
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    m_lines.emplace_back(line);
    start = end + 1;
  }
}

IniFile::Found IniFile::find(std::string_view section, std::string_view entry) const {
  Found found{npos, npos, m_lines.size()};
  bool inside = section.empty();
  if (inside) found.sectionLine = 0;
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    if (auto name = sectionName(m_lines[i])) {
      if (inside) {
        found.sectionEnd = i;
        return found;
      }
      if (sameName(*name, section)) {
        inside = true;
        found.sectionLine = i;
      }
      continue;
    }
    if (inside && found.entryLine == npos) {
      if (auto pair = entryOf(m_lines[i]); pair && sameName(pair->key, entry)) {
        found.entryLine = i;
      }
    }
  }
  return found;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view entry) const {
  Found found = find(section, entry);
  if (found.entryLine == npos) return std::nullopt;
  return std::string(entryOf(m_lines[found.entryLine])->value);
}

std::optional<std::string> IniFile::getAnywhere(std::string_view entry) const {
  if (auto value = get("", entry)) return value;
  for (const auto& line : m_lines) {
    if (auto pair = entryOf(line); pair && sameName(pair->key, entry)) return std::string(pair->value);
  }
  return std::nullopt;
}

void IniFile::set(std::string_view section, std::string_view entry, std::string_view value) {
  std::string line = std::string(entry) + "=" + std::string(value);
  // A line break inside a value would start a line of its own.
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  Found found = find(section, entry);
  if (found.entryLine != npos) {
    m_lines[found.entryLine] = std::move(line);
    return;
  }
  if (found.sectionLine == npos) {
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(std::move(line));
    return;
  }
  // Behind the section's last non-blank line.
  std::size_t at = found.sectionEnd;
  while (at > found.sectionLine + (section.empty() ? 0 : 1) && trim(m_lines[at - 1]).empty()) --at;
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::string IniFile::text() const {
  std::string out;
  for (const auto& line : m_lines) {
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace qlm
