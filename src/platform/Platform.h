#pragma once
// The desktop as one aggregate of small interfaces, and the table of backends.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/Capture.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/InputWatch.h"
#include "platform/KeyboardLayout.h"
#include "platform/Overlay.h"
#include "platform/Processes.h"
#include "platform/Settings.h"
#include "platform/Windows.h"

namespace qlm {

struct Platform {
  Platform() = default;
  // Stops the input watch first: its thread may still be calling listeners
  // that use the other parts.
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  std::string name;
  // Declared first so that it is destroyed last: the watch may still deliver
  // events while the other parts go away.
  std::unique_ptr<Clock> clock;
  std::unique_ptr<Windows> windows;
  std::unique_ptr<Input> input;
  std::unique_ptr<InputWatch> inputWatch;
  std::unique_ptr<KeyboardLayout> keyboardLayout;
  std::unique_ptr<Capture> capture;
  std::unique_ptr<Clipboard> clipboard;
  std::unique_ptr<Processes> processes;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<Sound> sound;
  std::unique_ptr<User> user;
  std::unique_ptr<Settings> settings;
  // Optional: without it the verbose notes are not drawn.
  std::unique_ptr<Overlay> overlay;

  bool complete() const;
};

struct PlatformResult {
  std::unique_ptr<Platform> platform;  // null on failure
  std::string message;
};

struct PlatformEntry {
  std::string_view name;
  PlatformResult (*create)();
};

inline constexpr std::string_view kPlatformVariable = "QUILLMOTE_PLATFORM";

// The entry named by `override` when it is set, else the first entry. Never
// falls back to another entry: playing on the wrong desktop would look like success.
PlatformResult selectPlatform(std::span<const PlatformEntry> table, std::string_view override);

// The table of the program: "x11", then "sim"; QUILLMOTE_PLATFORM picks one.
// Defined in the backend table library, which links every backend.
std::span<const PlatformEntry> platformTable();
PlatformResult openPlatform();

}  // namespace qlm
