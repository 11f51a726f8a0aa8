#include "app/ProgramFunctions.h"

#include "platform/Settings.h"
#include "playback/functions/PlaybackFunctions.h"
#include "spreadsheet/SpreadsheetFunctions.h"

namespace qlm {

const FunctionBodies& programFunctionBodies() {
  static const FunctionBodies kBodies{textFunctions(),    numberFunctions(),  chronoFunctions(),
                                      fileFunctions(),    controlFunctions(), settingFunctions(),
                                      desktopFunctions(), imageFunctions(),   spreadsheetFunctions()};
  return kBodies;
}

void chooseSpreadsheet(Settings& settings) {
  spreadsheetLink().backend = settings.readString("Playback", "SPREADSHEET").value_or("");
}

}  // namespace qlm
