#include "language/KeyNotation.h"

#include <array>

namespace qlm {

namespace {

constexpr KeyEntry press(std::string_view notation, int virtualKey) {
  return {notation, virtualKey, KeyAction::Press};
}
constexpr KeyEntry release(std::string_view notation, int virtualKey) {
  return {notation, virtualKey, KeyAction::Release};
}
constexpr KeyEntry tap(std::string_view notation, int virtualKey) {
  return {notation, virtualKey, KeyAction::PressRelease};
}

constexpr std::array<KeyEntry, 47> kKeyTable{{
    press("\\[CTRL]", 17),     release("/[CTRL]", 17),
    press("\\[ALT]", 18),      release("/[ALT]", 18),
    press("\\[SHIFT]", 16),    release("/[SHIFT]", 16),
    press("\\[CAP]", 20),      release("/[CAP]", 20),
    tap("V[RETURN]", 13),      tap("V[TAB]", 9),
    tap("V[ESC]", 27),         tap("V[CLR]", 12),
    tap("V[BACK]", 8),
    tap("V[F1]", 112),         tap("V[F2]", 113),
    tap("V[F3]", 114),         tap("V[F4]", 115),
    tap("V[F5]", 116),         tap("V[F6]", 117),
    tap("V[F7]", 118),         tap("V[F8]", 119),
    tap("V[F9]", 120),         tap("V[F10]", 121),
    tap("V[F11]", 122),        tap("V[F12]", 123),
    tap("V[PAGEUP]", 33),      tap("V[NEXT]", 34),
    tap("V[HOME]", 36),        tap("V[PAUSE]", 19),
    tap("V[END]", 35),         tap("V[HOME]", 36),
    tap("V[LEFT]", 37),        tap("V[UP]", 38),
    tap("V[RIGHT]", 39),       tap("V[DOWN]", 40),
    tap("V[SELECT]", 41),      tap("V[PRINT]", 42),
    tap("V[EXECUTE]", 43),     tap("V[SNAPSHOT]", 44),
    tap("V[INSERT]", 45),      tap("V[DEL]", 46),
    tap("V[HELP]", 47),
    press("\\[LWIN]", 91),     release("/[LWIN]", 91),
    press("\\[RWIN]", 92),     release("/[RWIN]", 92),
    tap("V[APPS]", 93),
}};

// MOUSEEVENTF_LEFTDOWN 2, LEFTUP 4, RIGHTDOWN 8, RIGHTUP 16.
constexpr std::array<MouseEntry, 4> kMouseTable{{
    {"\\[LBUTTON]", KeyAction::Press, 2, 4},
    {"/[LBUTTON]", KeyAction::Release, 4, 0},
    {"\\[RBUTTON]", KeyAction::Press, 8, 16},
    {"/[RBUTTON]", KeyAction::Release, 16, 0},
}};

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool prefixFits(char prefix, KeyAction kind) {
  if (kind == KeyAction::Release) return prefix == '/';
  return prefix == '\\' || prefix == 'V';
}

// Compares the notation behind its prefix character with the text behind pos.
bool nameMatches(std::string_view text, std::size_t pos, std::string_view notation,
                 LetterCase nameCase) {
  const std::string_view name = notation.substr(1);
  if (text.size() - pos - 1 < name.size()) return false;
  const std::string_view written = text.substr(pos + 1, name.size());
  if (nameCase == LetterCase::Exact) return written == name;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (upper(written[i]) != upper(name[i])) return false;
  }
  return true;
}

template <typename Table>
std::optional<int> findIn(const Table& table, std::string_view text, std::size_t pos,
                          LetterCase nameCase) {
  const char prefix = text[pos];
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (prefixFits(prefix, table[i].kind) && nameMatches(text, pos, table[i].notation, nameCase)) {
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

}  // namespace

std::span<const KeyEntry> keyboardKeyTable() { return kKeyTable; }
std::span<const MouseEntry> mouseKeyTable() { return kMouseTable; }

std::optional<NotationMatch> matchNotation(std::string_view text, std::size_t pos) {
  return matchNotation(text, pos, LetterCase::Exact);
}

std::optional<NotationMatch> matchNotation(std::string_view text, std::size_t pos,
                                           LetterCase nameCase) {
  if (pos >= text.size() || text.size() - pos < 4) return std::nullopt;
  const char prefix = text[pos];
  if (prefix != '\\' && prefix != '/' && prefix != 'V') return std::nullopt;
  if (auto i = findIn(kMouseTable, text, pos, nameCase)) {
    const auto length = static_cast<int>(kMouseTable[static_cast<std::size_t>(*i)].notation.size());
    return NotationMatch{true, *i, prefix, length};
  }
  if (auto i = findIn(kKeyTable, text, pos, nameCase)) {
    const auto length = static_cast<int>(kKeyTable[static_cast<std::size_t>(*i)].notation.size());
    return NotationMatch{false, *i, prefix, length};
  }
  return std::nullopt;
}

const KeyEntry* findKeyByNotation(std::string_view notation) {
  for (const KeyEntry& entry : kKeyTable) {
    if (entry.notation == notation) return &entry;
  }
  return nullptr;
}

}  // namespace qlm
