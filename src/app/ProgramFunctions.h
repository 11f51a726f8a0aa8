#pragma once
// Every built-in function the program has: the playback's own and those of
// the layers above it.
#include "language/Builtins.h"

namespace qlm {

const FunctionBodies& programFunctionBodies();

class Settings;
// The spreadsheet application that the setting SPREADSHEET (section "Playback") names.
void chooseSpreadsheet(Settings& settings);

}  // namespace qlm
