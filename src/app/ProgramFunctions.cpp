#include "app/ProgramFunctions.h"

#include "playback/functions/PlaybackFunctions.h"
#include "spreadsheet/SpreadsheetFunctions.h"

namespace qlm {

const FunctionBodies& programFunctionBodies() {
  static const FunctionBodies kBodies{textFunctions(),    numberFunctions(),  chronoFunctions(),
                                      fileFunctions(),    controlFunctions(), settingFunctions(),
                                      desktopFunctions(), imageFunctions(),   spreadsheetFunctions()};
  return kBodies;
}

}  // namespace qlm
