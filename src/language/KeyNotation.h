#pragma once
// Key notations inside instruction texts: a prefix ('\' press, '/' release,
// 'V' press and release) followed by a bracketed key name, e.g. "V[RETURN]".
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qlm {

enum class KeyAction { Press, Release, PressRelease };

struct KeyEntry {
  std::string_view notation;
  int virtualKey;
  KeyAction kind;
};

struct MouseEntry {
  std::string_view notation;
  KeyAction kind;
  int firstFlag;   // MOUSEEVENTF value sent first
  int secondFlag;  // sent after it for a 'V' prefix; 0 = none
};

// 47 entries in table order; "V[HOME]" stands twice and lookups take the first.
std::span<const KeyEntry> keyboardKeyTable();
std::span<const MouseEntry> mouseKeyTable();

struct NotationMatch {
  bool mouse;   // index is into mouseKeyTable() when set, else keyboardKeyTable()
  int index;
  char prefix;  // as written in the text
  int length;   // from the prefix to the closing bracket, included
};

enum class LetterCase { Exact, Ignore };

// The notation starting at pos, mouse table first, then the key table.
// Press and press-and-release entries accept '\' and 'V'; release entries only '/'.
std::optional<NotationMatch> matchNotation(std::string_view text, std::size_t pos);
// The lexer compares the bracketed name ignoring letter case; the prefix is
// always compared exactly.
std::optional<NotationMatch> matchNotation(std::string_view text, std::size_t pos,
                                           LetterCase nameCase);

// Exact comparison in table order; nullptr when no entry has that notation.
const KeyEntry* findKeyByNotation(std::string_view notation);

struct EndKey {
  std::string notation = "V[END]";
  int virtualKey = 35;
};

}  // namespace qlm
