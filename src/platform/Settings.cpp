#include "platform/Settings.h"

#include <charconv>

namespace qlm {
namespace {

std::optional<int> parseInt(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

int Settings::profileInt(std::string_view section, std::string_view entry, int fallback) {
  auto text = readString(section, entry);
  if (!text) {
    writeString(section, entry, std::to_string(fallback));
    return fallback;
  }
  return parseInt(*text).value_or(fallback);
}

int Settings::machineInt(std::string_view name, int fallback) {
  auto text = machineValue(name);
  return text ? parseInt(*text).value_or(fallback) : fallback;
}

std::string Settings::machineText(std::string_view name, std::string_view fallback) {
  auto text = machineValue(name);
  return text ? *text : std::string(fallback);
}

}  // namespace qlm
