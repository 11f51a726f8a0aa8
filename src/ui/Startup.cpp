#include "ui/Startup.h"

#include "language/Services.h"
#include "platform/Windows.h"

namespace qlm {

Placement startPlacement(const CommandLine& commandLine) {
  if (commandLine.hide()) return Placement::Hidden;
  if (commandLine.minimize()) return Placement::Minimized;
  return Placement::Maximized;
}

bool autostartPlays(const CommandLine& commandLine, const std::string& documentPath) {
  return commandLine.play() || documentPath.find("ZKR") != std::string::npos;
}

bool colourDepthAccepted(Windows& windows, UiService& ui) {
  if (windows.desktop().bitsPerPixel == 32) return true;
  Question question;
  question.title = "System Response";
  question.text =
      "Quillmote works only with 32bits Colors. Please change color depth to 32 bits and start again Quillmote.";
  question.answers = {
      "I will change to 32bits colors: Right click on the desktop, then menu 'properties' or 'your video card'...",
      "I will not use the functions IfImage() and IfShape()."};
  return ui.ask(question) != 1;
}

}  // namespace qlm
