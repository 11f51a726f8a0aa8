#include "language/FunctionTable.h"

#include <array>

namespace qlm {

namespace {

// clang-format off
constexpr std::array<FunctionInfo, kFunctionCount> kFunctions{{
  {"Beep", "VII", "Function Beep",
   "Beep(<Integer:Frequency in hertz>,<Integer:Duration in milliseconds>)"},
  {"Say", "VC", "Function Say",
   "Say(<Instruction string = HELLO, OK or HELP>)"},
  {"IfImage", "CICC", "Function FindImage",
   "IfImage(<Integer:Max time in milliseconds>,<Instrunction:If found>,<Instrunction:If not found>)"},
  {"IfShape", "CICC", "Function FindShape",
   "IfShape(<Integer:Max time in seconds>,<Instruction:If found>,<Instruction:If not found>)"},
  {"Stop", "V", "Function Stop",
   "Stop(), stops the playback at the end of the current instruction."},
  {"GoTo", "VII", "Function GoTo",
   "GoTo(<Integer:Line number OR Location:Location name>,<Integer:Instruction number OR Integer: Occurrence of the location>)"},
  {"If", "VICC", "Function If",
   "If(<Integer:0=false, true otherwise>, <Instruction if true>, <Instruction if false>)"},
  {"Wait", "VI", "Function Wait",
   "Wait(<Integer:Time in milliseconds>)"},
  {"MsgBox", "VC", "Function MsgBox",
   "MsgBox(<Instruction: Message text>)"},
  {"SetTitle", "VC", "Function SetTitle",
   "SetTitle(<Instruction: Text to display>) displays a text in Quillmote title."},
  {"Ask", "VCCCCC", "Function Ask",
   "Ask(<Instruction: Question text>, <Instruction: Button1 text>,<Instruction: If 1>, <Instruction: Button2 text>,<Instruction: If 2>)"},
  {"Ask3", "VCCCCCCC", "Function Ask3",
   "Ask3(<Instruction: Question text>, <Instruction: Button1 text>,<Instruction: If 1>, <Instruction: Button2 text>,<Instruction: If 2>, <Instruction: Button3 text>,<Instruction: If 3>)"},
  {"GetClipboard", "C", "Function GetClipboard",
   "GetClipboard()"},
  {"SetClipboard", "VC", "Function SetClipboard",
   "SetClipboard(<Instruction: Text to copy into the clipboard>)"},
  {"SetColorTol", "VI", "Function SetColorTol",
   "SetColorTol(<Integer:Color tolerance in percent 0-100>)"},
  {"SetPixelTol", "VI", "Function SetPixelTol",
   "SetPixelTol(<Integer:Pixel tolerance in percent 0-100>)"},
  {"SetMouseSpeed", "VI", "Function SetMouseSpeed",
   "SetMouseSpeed(<Integer:Mouse speed in percent 0-100>)"},
  {"SetKeySpeed", "VI", "Function SetKeySpeed",
   "SetKeySpeed(<Integer:Key speed in percent 0-100>)"},
  {"XlsReadData", "VCIC", "Function XlsReadData",
   R"q(XlsReadData(<Instruction: Excel file name>, <Instruction:Sheet number>, <Instruction: Cell>), ie XlsReadData("demo.xls",1,"A1"))q"},
  {"XlsWriteData", "CCICC", "Function XlsWriteData",
   R"q(XlsWriteData(<Instruction: Excel file name>, <Instruction:Sheet number>, <Instruction: Cell>), <Instruction: Value>), ie XlsWriteData("demo.xls",1,"A1","OK"))q"},
  {"SetKeyMode", "VI", "Function SetKeyMode",
   "SetKeyMode(<Int:0=byte, 1=Bloc>), Mode 1 is faster but use the keyboard."},
  {"Repeat", "CCI", "Function Repeat",
   "Repeat(<Instruction: Text to repeat>,<Integer:Number of times>)"},
  {"NetSend", "VCC", "Function NetSend",
   "NetSend(<Instruction: Message text>,<Instruction: User or computer name>)"},
  {"Rtrim", "CCC", "Function Rtrim",
   "Rtrim(<Instruction: String>,<Instruction: Text to remove at the end>)"},
  {"Rpad", "CCCI", "Function Rpad",
   "Rpad(<Instruction: String>,<Instruction: Pad text>,<Integer:Length>)"},
  {"Replace", "CCCC", "Function Replace",
   "Replace(<Instruction: String>,<Instruction: Text to replace>,<Instruction: Replacement text>)"},
  {"SystemCmd", "VC", "Function SystemCmd",
   "SystemCmd(<Instruction: String1=DOS command line>) (To not stop the playback append the character '&')"},
  {"SystemOpen", "VC", "Function SystemOpen",
   "SystemOpen(<Instruction: File name to open with its program>)"},
  {"SubStr", "CCII", "Function SubStr",
   "SubStr(<Instruction: String>,<Integer:First character from 1>,<Integer:Last character>)"},
  {"StrStr", "ICC", "Function StrStr",
   "StrStr(<Instruction: String>,<Instruction: Text to find>)"},
  {"Min", "III", "Function Min",
   "Min(<Number1>,<Number2>)"},
  {"Max", "III", "Function Max",
   "Max(<Number1>,<Number2>)"},
  {"ResetChrono", "C", "Function ResetChrono",
   "ResetChrono()"},
  {"GetChrono", "CC", "Function GetChrono",
   "GetChrono(<Instruction: Format, %H:%M:%S.%MS when empty>)"},
  {"AppWait", "VI", "Function AppWait",
   "AppWait(<Integer:Max time in seconds to wait for the target application>)"},
  {"AppForeground", "VII", "Function AppForeground",
   "AppForeground(<Integer:0=never, 1=before each instruction, 2=always>,<Integer:0=title OR name, 1=title AND name, 2=title, 3=name>)"},
  {"AppResize", "VIIIII", "Function AppResize",
   "AppResize(<Integer:0=no, 1=as recorded, 2=size, 3=size and position>,<Integer:Width>,<Integer:Height>,<Integer:Left>,<Integer:Top>)"},
  {"QlmClose", "V", "Function QlmClose(), close the current qlm file.",
   "QlmClose()"},
  {"SetVar", "VAV", "Function SetVar",
   "SetVar($VAR_NAME, <Instruction = value>)"},
  {"Abs", "II", "Function Abs return absolute value",
   "Abs(<Number>)"},
  {"Int", "II", "Function Integer",
   "Int(<Number>)"},
  {"ToChar", "CCV", "Function ToChar, format a real.",
   "ToChar(<Instruction: printf format>,<Value>)"},
  {"Sgn", "II", "Function Sgn, return the sign of a real, -1,0 ou 1.",
   "Sgn(<Number>)"},
  {"StrLen", "IC", "Function StrLen, return the lenght of a string.",
   "StrLen(<Instruction: String>)"},
  {"XlsAutoSave", "VI", "Function XlsAutoSave, enable/disable Excel automatic saving.",
   "XlxAutoSave(<Instruction :  0=disabled, 1=enabled>)"},
  {"XlsSave", "VC", "Function XlsSave, save an excel workbook.",
   "XlsSave(<Instruction string = file name>)"},
  {"XlsClose", "VC", "Function XlsClose, close an excel workbook.",
   "XlsClose(<Instruction string = file name>)"},
  {"Debug", "CI", "Function Debug, enable/disable debug mode.",
   "Debug(<Instruction integer = debug level 0-7: 0=disabled, 1=stops before to send keys/clicks, 2=1+ stops before to execute each instruction, 3=1+2, 4=stop in functions, 5=4+1..>)"},
  {"Trace", "CICC", "Function Trace, enable/disable trace mode.",
   "Trace(<Instruction integer = trace level: 0=disabled, 1=trace each instruction, 2=1+ trace each function/operator>, <Instruction string = format>,, <Instruction string = file>)"},
  {"SetEndKey", "CC", "Function SetEndKey, change playback end key.",
   "SetEndKey(<Instruction string = key>), ex SetEndKey(V[F12])"},
  {"Verbose", "VI", "Fonction Verbose",
   "Verbose(<Integer between 0 and 100>), 0=Verbose mode disabled"},
  {"IfWindow", "CICCC", "Function IfWindow",
   "IfWindow(<Instrunction string = Window Title>,<Integer:Max time in seconds>,<Instrunction:If found>,<Instrunction:If not found>)"},
  {"IfProcess", "CICCC", "Function IfProcess",
   "IfProcess(<Instrunction string = Process name>,<Integer:Max time in milliseconds>,<Instrunction:If found>,<Instrunction:If not found>)"},
  {"Ltrim", "CCC", "Function Ltrim",
   "Ltrim(<Instruction: String>,<Instruction: Text to remove at the start>)"},
  {"Lpad", "CCCI", "Function Lpad",
   "Lpad(<Instruction: String>,<Instruction: Pad text>,<Integer:Length>)"},
  {"FileListLoad", "VAC", "Function FileListLoad",
   R"q(FileListLoad(<Variable name=List name>, <Txt=search string>), ex FileListLoad($LIST1,"C:\temp\*.txt"))q"},
  {"FileListGet", "CAC", "Function FileListGet",
   "FileListGet(<Variable name=List name>, <Integer:File number from 1>)"},
  {"FileGetName", "CC", "Function FileGetName",
   "FileGetName(<Instruction: File path>)"},
  {"FileGetPath", "CC", "Function FileGetPath",
   "FileGetPath(<Instruction: File path>)"},
  {"FileGetExt", "CC", "Function FileGetExt",
   "FileGetExt(<Instruction: File path>)"},
  {"Random", "II", "Function Random",
   "Random(<Integer:Maximum, excluded>)"},
  {"FileCopy", "VCC", "Function FileCopy, Copies an existing file to a new file.",
   "FileCopy(<Instruction: Source file>,<Instruction: Target file>)"},
  {"FileDelete", "VC", "Function FileDelete, Deletes an existing file.",
   "FileDelete(<Instruction: File name>)"},
  {"FileMove", "VCC", "Function FileMove, Moves an existing file or a directory, including its children.",
   "FileMove(<Instruction: Source file or directory>,<Instruction: New name>)"},
  {"SetWaitOnMouseMove", "VI", "Function SetWaitOnMouseMove, Set the time in second to wait if you move the mouse during the playback.",
   "SetWaitOnMouseMove(<Integer:Time in seconds>)"},
  {"WaitInactive", "VI", "Function WaitInactive",
   "WaitInactive(<Integer:Time in milliseconds without keyboard or mouse input>)"},
  {"XlsNumToCol", "CI", "Fonction XlsNumToCol, return Excel column 1=A, 2=B...",
   "XlsNumToCol(<Integer:Column number 1-255>)"},
  {"IfText", "CCICC", "Function IfText",
   "IfText(<Text to find>,<Integer:Max time in milliseconds>,<Instrunction:If found>,<Instrunction:If not found>)"},
  {"GetText", "CC", "Function GetText",
   "GetText(<Text filter>)"},
}};
// clang-format on

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

}  // namespace

std::span<const FunctionInfo> functionTable() { return kFunctions; }

int findFunction(std::string_view exactName) {
  for (std::size_t i = 0; i < kFunctions.size(); ++i) {
    if (kFunctions[i].name == exactName) return static_cast<int>(i);
  }
  return -1;
}

int findFunctionIgnoringCase(std::string_view name) {
  for (std::size_t i = 0; i < kFunctions.size(); ++i) {
    if (equalIgnoringCase(kFunctions[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace qlm
