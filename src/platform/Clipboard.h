#pragma once
// The desktop clipboard's text, Windows-1252 on our side.
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace qlm {

enum class ClipboardState {
  Text,    // text was read
  NoText,  // the clipboard holds something, but no text
  Busy,    // the clipboard could not be read now
};

struct ClipboardText {
  ClipboardState state = ClipboardState::NoText;
  std::string text;
};

class Clipboard {
public:
  virtual ~Clipboard() = default;
  // Whether text can be had right now (no waiting).
  virtual bool hasText() = 0;
  virtual ClipboardText readText() = 0;
  // Replaces the clipboard's contents; they stay available while Quillmote runs.
  virtual Status setText(std::string_view text) = 0;
};

}  // namespace qlm
