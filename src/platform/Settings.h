#pragma once
// The user's settings file "Quillmote.ini" and the read-only machine-wide values.
#include <optional>
#include <string>
#include <string_view>

namespace qlm {

class Settings {
public:
  virtual ~Settings() = default;

  virtual std::optional<std::string> readString(std::string_view section, std::string_view entry) = 0;
  virtual bool writeString(std::string_view section, std::string_view entry, std::string_view value) = 0;
  // A machine-wide value, nothing when missing.
  virtual std::optional<std::string> machineValue(std::string_view name) = 0;

  // A missing or unreadable entry gives `fallback`, which is written back when missing.
  int profileInt(std::string_view section, std::string_view entry, int fallback);
  // A missing value, or one of another type, gives `fallback`.
  int machineInt(std::string_view name, int fallback);
  std::string machineText(std::string_view name, std::string_view fallback);
};

}  // namespace qlm
