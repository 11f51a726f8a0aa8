// The settings files are read as the user or an administrator left them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  qlm::IniFile file(text);
  (void)file.get("Playback", "WaitIfMouseMoves");
  (void)file.getAnywhere("ATT1");
  file.set("Playback", "WaitIfWindowNotResponding", "15000");
  file.set("", "ATT2", "7000");
  qlm::IniFile again(file.text());
  if (again.get("Playback", "WaitIfWindowNotResponding") != "15000") __builtin_trap();
  return 0;
}
