#pragma once
// The start-up decisions of the desktop application that need no window:
// placement, autostart and the colour check.
#include <string>

#include "app/CommandLine.h"

namespace qlm {

class UiService;
class Windows;

enum class Placement { Maximized, Minimized, Hidden };

// Maximised by default; /hide wins over /minimize.
Placement startPlacement(const CommandLine& commandLine);
// /play, or a document whose path holds "ZKR".
bool autostartPlays(const CommandLine& commandLine, const std::string& documentPath);
// The colour question when the screen's pixels are not 32 bits wide; false
// when the user answers that they will change the colours (the program ends).
bool colourDepthAccepted(Windows& windows, UiService& ui);

}  // namespace qlm
