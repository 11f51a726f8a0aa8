#pragma once
// The spreadsheet application built in: it answers the members the
// spreadsheet functions call, over workbooks held in memory (Workbook).
//
//   application  Workbooks (get), Worksheets(n) (get, of the active workbook),
//                Visible (put), DisplayAlerts (put), Save (method, the active
//                workbook), Quit (method, closes every workbook unsaved)
//   workbooks    Open(name) (method): the workbook, read once and then kept;
//                it becomes the active one
//   workbook     Worksheets(n) (get), Save (method)
//   sheet        Range(cell) (get)
//   range        Value (get, put)
#include <memory>

#include "platform/FileSystem.h"
#include "spreadsheet/Automation.h"

namespace qlm {

std::shared_ptr<Dispatch> makeBuiltinApplication(FileSystem& fs);

}  // namespace qlm
