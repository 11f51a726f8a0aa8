#pragma once
// LibreOffice as the spreadsheet application, over its UNO API: a helper
// (Python with LibreOffice's UNO bridge) attaches to the soffice that
// Quillmote started before, or starts one, and answers the same members as
// the built-in application (see BuiltinApplication.h) one line at a time:
//
//   open PATH               -> ok ID       sheets ID          -> ok COUNT
//   read ID SHEET CELL      -> ok TEXT     write ID SHEET CELL TEXT -> ok
//   save ID | visible 0/1 | quit            -> ok
//   any failure             -> err WHY
//
// Texts escape backslash, line feed, carriage return and tab as \\ \n \r \t.
#include <memory>
#include <string>

#include "spreadsheet/Automation.h"

namespace qlm {

// Nothing, with `error`, when the helper cannot be started.
std::shared_ptr<Dispatch> makeLibreOfficeApplication(std::string& error);

}  // namespace qlm
