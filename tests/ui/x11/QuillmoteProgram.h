#pragma once
// The quillmote program on the shared virtual desktop.
#include <memory>

#include "../../platform/x11/X11Fixture.h"
#include "../UiSupport.h"

namespace qlm::testing {

// quillmote with its standard error in `errors` and settings of its own; stopped when it goes away.
inline std::unique_ptr<Client> startQuillmote(const std::vector<std::string>& arguments, const std::filesystem::path& errors) {
  std::string command = "exec '" QLM_QUILLMOTE "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  return std::make_unique<Client>(
      std::vector<std::string>{"env", "XDG_CONFIG_HOME=" + scratchFile("config").string(), "QT_QPA_PLATFORM=xcb",
                               "ASAN_OPTIONS=detect_leaks=0", "sh", "-c", command + " 2>'" + errors.string() + "'"},
      SharedDesktop::desktop()->display());
}

// An xterm titled `title` whose typing goes to `typed`, once its window is shown.
inline std::unique_ptr<Client> startXterm(const std::string& title, const std::filesystem::path& typed, WindowId& window) {
  std::filesystem::remove(typed);
  auto xterm = std::make_unique<Client>(
      std::vector<std::string>{"xterm", "-T", title, "-e", "sh", "-c", "cat > '" + typed.string() + "'"},
      SharedDesktop::desktop()->display());
  window = kNoWindow;
  EXPECT_TRUE(waitFor([&] { return (window = SharedDesktop::platform()->windows->findWindow("XTerm", title)) != kNoWindow; },
                      std::chrono::seconds(20)));
  return xterm;
}

}  // namespace qlm::testing
