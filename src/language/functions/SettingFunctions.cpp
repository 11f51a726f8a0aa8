#include <algorithm>
#include <climits>

#include "language/Document.h"
#include "language/Builtins.h"
#include "platform/TextEncoding.h"
#include "language/KeyNotation.h"

namespace qlm {
namespace {

int toInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

int percent(long long value) { return static_cast<int>(std::clamp<long long>(value, 0, 100)); }

char setTolerance(Interpreter& in, Arguments args, std::string_view function, std::string_view variable,
                  std::string_view word) {
  long long n = 0;
  if (!in.integerArgument(args[0], n)) return 'C';
  int tolerance = percent(n);
  in.document().setVariableNumber(variable, tolerance);
  in.reportStep(std::string(function) + "(), will set " + std::to_string(tolerance) + "% " + std::string(word) +
                    " tolerance for IfImage() & IfShape() functions.",
                {});
  return 'C';
}

char setColorTol(Interpreter& in, int, Arguments args, std::string&) {
  return setTolerance(in, args, "SetColorTol", "$QLM_COLORTOL", "color");
}

char setPixelTol(Interpreter& in, int, Arguments args, std::string&) {
  return setTolerance(in, args, "SetPixelTol", "$QLM_PIXELTOL", "pixel");
}

// The variables hold the slowness, 100 minus the speed.
char setSpeed(Interpreter& in, Arguments args, std::string_view function, std::string_view variable,
              std::string_view what) {
  long long n = 0;
  if (!in.integerArgument(args[0], n)) return 'C';
  int speed = percent(n);
  in.document().setVariableNumber(variable, 100 - speed);
  in.reportStep(std::string(function) + "(), will set " + std::string(what) + " speed to " + std::to_string(speed) +
                    "%.",
                {});
  return 'C';
}

char setMouseSpeed(Interpreter& in, int, Arguments args, std::string&) {
  return setSpeed(in, args, "SetMouseSpeed", "$QLM_MOUSE_SPEED", "mouse");
}

char setKeySpeed(Interpreter& in, int, Arguments args, std::string&) {
  return setSpeed(in, args, "SetKeySpeed", "$QLM_KEY_SPEED", "key");
}

char setKeyMode(Interpreter& in, int, Arguments args, std::string&) {
  long long n = 0;
  if (!in.integerArgument(args[0], n)) return 'C';
  in.document().setVariableNumber("$QLM_KEY_MODE", n);
  in.reportStep(n != 0 ? "SetKeyMode(1), keys will be send using the clipboard."
                       : "SetKeyMode(0), keys will be send one by one.",
                {});
  return 'C';
}

// Negative waits make no sense; the milliseconds must fit the window wait.
char appWait(Interpreter& in, int, Arguments args, std::string&) {
  long long s = 0;
  if (!in.integerArgument(args[0], s)) return 'C';
  int seconds = static_cast<int>(std::clamp<long long>(s, 0, INT_MAX / 1000));
  in.document().settings().windowWaitSeconds = seconds;
  in.document().setVariableNumber("$QLM_MAX_WAIT_WIN", seconds * 1000LL);
  in.reportStep("AppWait(), now Quillmote will wait for the target application up to " + std::to_string(seconds) +
                    " seconds.",
                {});
  return 'C';
}

std::string_view foregroundDescription(int mode) {
  switch (mode) {
    case 0: return "AppForeground(0,x), Target application will never be put at foreground";
    case 1: return "AppForeground(1,x), Target apps will be put at foreground before to run each instruction";
    default: return "AppForeground(2,x), Target application will always be put at foreground.";
  }
}

// Selection flags (either, application name, title) and their description.
std::string_view applySelection(PlaybackSettings& settings, long long s) {
  switch (s) {
    case 1:
      settings.selectEither = false, settings.selectByClass = true, settings.selectByTitle = true;
      return "AppForeground(x,1), Select target application with title AND application name.";
    case 2:
      settings.selectEither = false, settings.selectByClass = false, settings.selectByTitle = true;
      return "AppForeground(x,2), Select target application with application title.";
    case 3:
      settings.selectEither = false, settings.selectByClass = true, settings.selectByTitle = false;
      return "AppForeground(x,3), Select target application with application name.";
    default:
      settings.selectEither = true, settings.selectByClass = true, settings.selectByTitle = true;
      return "AppForeground(x,0), Select target application with title OR application name.";
  }
}

char appForeground(Interpreter& in, int, Arguments args, std::string&) {
  PlaybackSettings& settings = in.document().settings();
  long long f = 0;
  if (in.integerArgument(args[0], f)) settings.foregroundMode = f < 0 || f > 2 ? 2 : static_cast<int>(f);
  long long s = 0;
  if (!in.integerArgument(args[1], s)) return 'C';
  std::string_view selection = applySelection(settings, s);
  in.reportStep(foregroundDescription(settings.foregroundMode), selection);
  return 'C';
}

std::string_view resizeDescription(int mode) {
  switch (mode) {
    case 0: return "AppResize(0,..), Target application will not be resized or moved.";
    case 1: return "AppResize(1,..), Target application will be resized like it was while recording.";
    case 2: return "AppResize(2,..), Target application will be resized as specified.";
    case 3: return "AppResize(3,..), Target application will be resized and moved as specified.";
    default: return {};
  }
}

// Each size is read only while the arguments before it were numbers.
char appResize(Interpreter& in, int, Arguments args, std::string&) {
  PlaybackSettings& settings = in.document().settings();
  long long value = 0;
  bool valid = in.integerArgument(args[0], value);
  settings.resizeMode = valid ? toInt(value) : 0;
  if (valid && (valid = in.integerArgument(args[1], value))) settings.resizeWidth = toInt(std::max(100LL, value));
  if (valid && (valid = in.integerArgument(args[2], value))) settings.resizeHeight = toInt(std::max(100LL, value));
  if (valid && (valid = in.integerArgument(args[3], value))) settings.resizeX = toInt(value);
  if (valid && in.integerArgument(args[4], value)) settings.resizeY = toInt(value);
  in.reportStep(resizeDescription(settings.resizeMode), {});
  return 'C';
}

char verbose(Interpreter& in, int, Arguments args, std::string&) {
  TraceSettings& trace = in.document().traceSettings();
  long long n = 0;
  if (!in.integerArgument(args[0], n)) {
    trace.verboseLevel = 0;
    return 'C';
  }
  int level = static_cast<int>(std::clamp<long long>(n, 0, 7));
  in.reportStep("Verbose(), will set the verbose level to " + std::to_string(level) + ".", {});
  trace.verboseLevel = level;
  return 'C';
}

char debug(Interpreter& in, int, Arguments args, std::string&) {
  TraceSettings& trace = in.document().traceSettings();
  long long n = 0;
  if (!in.integerArgument(args[0], n)) {
    if (trace.debugLevel > 0) in.reportStep("Debug(), End debuging.", {});
    trace.debugLevel = 0;
    return 'C';
  }
  int level = static_cast<int>(std::clamp<long long>(n, 0, 7));
  if (level > 0) {
    in.reportStep("Debug(), Start debuging with level=" + std::to_string(level) + ".", {});
  } else if (trace.debugLevel >= 1) {
    in.reportStep("Debug(), End debuging.", {});
  }
  trace.debugLevel = level;
  return 'C';
}

struct PathParts {
  std::string folder;     // up to and including the last separator
  std::string base;
  std::string extension;  // from the last point of the name, point included
};

// A bare point gives no extension and a bare separator no name: those parts
// come from the document then.
PathParts splitPath(std::string_view path) {
  std::size_t separator = path.find_last_of("/\\");
  std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  std::string_view name = path.substr(nameStart);
  std::size_t point = name.rfind('.');
  PathParts parts{std::string(path.substr(0, nameStart)), std::string(name.substr(0, point)), {}};
  if (point != std::string_view::npos && point + 1 < name.size()) parts.extension = name.substr(point);
  return parts;
}

std::string traceFileName(std::string_view argument, std::string_view documentPath) {
  PathParts given = splitPath(argument);
  PathParts own = splitPath(documentPath);
  std::string folder = given.folder.empty() ? own.folder : given.folder;
  std::string base = given.base.empty() ? own.base : given.base;
  std::string extension = given.extension.empty() ? own.extension : given.extension;
  if (base.empty()) base = "trace";
  if (extension != ".csv" && extension != ".xls" && extension != ".htm") extension = ".htm";
  return folder + base + extension;
}

char trace(Interpreter& in, int, Arguments args, std::string&) {
  Document& document = in.document();
  TraceSettings& trace = document.traceSettings();
  long long level = 0;
  if (!in.integerArgument(args[0], level) || level < 1) {
    trace.traceLevel = 0;
    return 'C';
  }
  trace.traceLevel = level >= 2 ? 2 : 1;
  std::string format = in.textArgument(args[1]);
  if (!format.empty()) {
    trace.rowTemplate = std::move(format);
  } else if (trace.rowTemplate.empty()) {
    trace.rowTemplate = VariableTable::readValue(document.readVariable("$TFORMAT"));
  }
  // Language texts are Windows-1252; the document's path is a file-system name.
  trace.traceFileName = traceFileName(in.textArgument(args[2]), cp1252FromUtf8(document.pathName()));
  return 'C';
}

char setEndKey(Interpreter& in, int, Arguments args, std::string&) {
  EndKeySetting& endKey = in.document().endKey();
  endKey = EndKeySetting{};
  std::string key = in.textArgument(args[0]);
  if (!key.empty()) {
    if (const KeyEntry* entry = findKeyByNotation(key)) {
      endKey.notation = entry->notation;
      endKey.virtualKey = entry->virtualKey;
    } else {
      in.reportStep("SetEndKey(), unknown key:", key);
    }
  }
  in.reportStep("SetEndKey(), End key has been changed to:", endKey.notation);
  return 'C';
}

// The pause after a user's mouse movement is a program setting; the function
// only checks its argument.
char setWaitOnMouseMove(Interpreter& in, int, Arguments args, std::string& result) {
  long long s = 0;
  if (!in.integerArgument(args[0], s)) return 'C';
  result = "Template";
  return 'V';
}

}  // namespace

std::span<const BuiltinBinding> settingFunctions() {
  static const BuiltinBinding kBindings[] = {
      {"SetColorTol", setColorTol},
      {"SetPixelTol", setPixelTol},
      {"SetMouseSpeed", setMouseSpeed},
      {"SetKeySpeed", setKeySpeed},
      {"SetKeyMode", setKeyMode},
      {"AppWait", appWait},
      {"AppForeground", appForeground},
      {"AppResize", appResize},
      {"Verbose", verbose},
      {"Debug", debug},
      {"Trace", trace},
      {"SetEndKey", setEndKey},
      {"SetWaitOnMouseMove", setWaitOnMouseMove},
  };
  return kBindings;
}

}  // namespace qlm
