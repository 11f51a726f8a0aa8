#include "spreadsheet/LibreOfficeApplication.h"

#include <cmath>
#include <vector>

#include "platform/posix/PosixParts.h"
#include "spreadsheet/CellAddress.h"

namespace qlm {
namespace {

// Debian's own interpreter: LibreOffice's UNO module is installed for it only.
constexpr const char* kPython = "/usr/bin/python3";
// Starting LibreOffice takes seconds; calls on an open workbook take milliseconds.
constexpr int kOpenTimeoutMs = 120000;
constexpr int kCallTimeoutMs = 60000;

constexpr const char* kBridgeScript = R"py(import glob, os, subprocess, sys, time
import uno

PIPE_NAME = "quillmote_%d" % os.getuid()
URL = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % PIPE_NAME
books = {}
visible = [False]
# Without a display, or with LibreOffice built without windows, nothing can be shown: a
# document made visible there brings soffice down.
HEADLESS = "DISPLAY" not in os.environ or not glob.glob("/usr/lib/libreoffice/program/libvclplug_*")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            i += 1
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(text[i], text[i]))
        else:
            out.append(c)
        i += 1
    return "".join(out)


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def desktop():
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    try:
        context = resolver.resolve(URL)
    except Exception:
        subprocess.Popen(["soffice", "--headless" if HEADLESS else "--invisible", "--norestore", "--nologo", "--nodefault",
                          "--accept=pipe,name=%s;urp;" % PIPE_NAME],
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
        for _ in range(600):
            time.sleep(0.1)
            try:
                context = resolver.resolve(URL)
                break
            except Exception:
                pass
        else:
            raise RuntimeError("LibreOffice did not start")
    return context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)


def prop(name, value):
    p = uno.createUnoStruct("com.sun.star.beans.PropertyValue")
    p.Name, p.Value = name, value
    return p


def number_text(value):
    if value == int(value) and abs(value) < 1e15:
        return str(int(value))
    return repr(value)


def cell_text(cell):
    from com.sun.star.table.CellContentType import EMPTY, VALUE, TEXT, FORMULA
    kind = cell.Type
    if kind == EMPTY:
        return ""
    if kind == VALUE:
        return number_text(cell.Value)
    if kind == FORMULA and cell.FormulaResultType2 == VALUE and cell.getError() == 0:
        return number_text(cell.Value)
    return cell.String


def as_number(text):
    if not text or not (text[0].isdigit() or text[0] in "-.") or text.strip() != text:
        return None
    try:
        value = float(text)
    except ValueError:
        return None
    return value if value == value and value not in (float("inf"), float("-inf")) else None


def find_cell(words):
    book = books[words[0]]
    sheets = book.Sheets
    index = int(words[1])
    if index < 1 or index > sheets.Count:
        raise IndexError("sheet")
    return sheets.getByIndex(index - 1).getCellRangeByName(words[2]).getCellByPosition(0, 0)


def answer(command, words):
    global books
    if command == "open":
        url = uno.systemPathToFileUrl(words[0])
        for key, book in books.items():
            if book.URL == url:
                return "ok " + key
        frames = desktop()
        for component in frames.Components:
            if getattr(component, "URL", None) == url:
                book = component
                break
        else:
            book = frames.loadComponentFromURL(url, "_blank", 0, (prop("Hidden", HEADLESS or not visible[0]),))
        if book is None or not hasattr(book, "Sheets"):
            return "err cannot open"
        key = str(len(books) + 1)
        books[key] = book
        return "ok " + key
    if command == "sheets":
        return "ok %d" % books[words[0]].Sheets.Count
    if command == "read":
        return "ok " + escape(cell_text(find_cell(words)))
    if command == "write":
        cell = find_cell(words)
        value = unescape(words[3]) if len(words) > 3 else ""
        number = as_number(value)
        if number is not None:
            cell.Value = number
        elif value == "":
            cell.setString("")
            cell.clearContents(1 | 2 | 4 | 16)
        else:
            cell.String = value
        return "ok"
    if command == "save":
        books[words[0]].store()
        return "ok"
    if command == "visible":
        visible[0] = words[0] == "1"
        if HEADLESS:
            return "ok"
        for book in books.values():
            book.CurrentController.Frame.ContainerWindow.setVisible(visible[0])
        return "ok"
    if command == "quit":
        for book in books.values():
            try:
                book.close(True)
            except Exception:
                pass
        books = {}
        try:
            desktop().terminate()
        except Exception:
            pass
        return "ok"
    return "err unknown command"


for line in sys.stdin:
    words = line.rstrip("\n").split(" ", 4)
    command, words = words[0], words[1:]
    if command in ("open",):
        words = [unescape(line.rstrip("\n")[len(command) + 1:])]
    try:
        reply = answer(command, words)
    except Exception as error:
        reply = "err " + escape(type(error).__name__ + ": " + str(error))
    sys.stdout.write(reply + "\n")
    sys.stdout.flush()
)py";

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

class Bridge {
 public:
  explicit Bridge(std::unique_ptr<LineProgram> helper) : m_helper(std::move(helper)) {}

  // The answer after "ok", or nothing with the reason in `why`.
  std::optional<std::string> call(const std::string& line, std::string* why = nullptr, int timeoutMs = kCallTimeoutMs) {
    std::optional<std::string> reply = m_helper->ask(line, timeoutMs);
    if (reply && (*reply == "ok" || reply->starts_with("ok "))) return unescaped(reply->size() > 3 ? reply->substr(3) : "");
    if (why) *why = reply ? unescaped(*reply) : "no answer from LibreOffice";
    return std::nullopt;
  }

  std::string active;  // the workbook "Save" and "Worksheets" of the application mean

 private:
  std::unique_ptr<LineProgram> m_helper;
};

bool oneArgument(std::span<const Variant> arguments, Variant::Kind kind) {
  return arguments.size() == 1 && arguments[0].kind == kind;
}

std::string numberArgument(double number) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", number);
  return text;
}

class RangeProxy final : public Dispatch {
 public:
  RangeProxy(std::shared_ptr<Bridge> bridge, std::string where) : m_bridge(std::move(bridge)), m_where(std::move(where)) {}
  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }
  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (type == CallType::PropertyPut) {
      if (arguments.size() != 1) return kBadParamCount;
      const Variant& value = arguments[0];
      if (value.kind == Variant::Kind::Object) return kTypeMismatch;
      std::string text = value.kind == Variant::Kind::Number ? numberArgument(value.number) : value.text;
      return m_bridge->call("write " + m_where + " " + escaped(text)) ? kOk : kApplicationError;
    }
    std::optional<std::string> text = m_bridge->call("read " + m_where);
    if (!text) return kApplicationError;
    if (result) *result = text->empty() ? Variant{} : Variant::ofText(std::move(*text));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Value", 6, false, true, true}};
  std::shared_ptr<Bridge> m_bridge;
  std::string m_where;
};

class SheetProxy final : public Dispatch {
 public:
  SheetProxy(std::shared_ptr<Bridge> bridge, std::string where) : m_bridge(std::move(bridge)), m_where(std::move(where)) {}
  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }
  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (!oneArgument(arguments, Variant::Kind::Text)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
    if (!parseCellName(arguments[0].text)) return kException;
    if (result) *result = Variant::ofObject(std::make_shared<RangeProxy>(m_bridge, m_where + " " + arguments[0].text));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Range", 197, true, true, false}};
  std::shared_ptr<Bridge> m_bridge;
  std::string m_where;
};

ResultCode worksheet(const std::shared_ptr<Bridge>& bridge, const std::string& book, std::span<const Variant> arguments,
                     Variant* result) {
  if (book.empty()) return kFailed;
  if (!oneArgument(arguments, Variant::Kind::Number)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
  std::optional<std::string> count = bridge->call("sheets " + book);
  if (!count) return kApplicationError;
  double number = arguments[0].number;
  if (!(number >= 1 && number <= std::atof(count->c_str())) || number != std::floor(number)) return kBadIndex;
  std::string where = book + " " + std::to_string(static_cast<int>(number));
  if (result) *result = Variant::ofObject(std::make_shared<SheetProxy>(bridge, where));
  return kOk;
}

class WorkbookProxy final : public Dispatch {
 public:
  WorkbookProxy(std::shared_ptr<Bridge> bridge, std::string id) : m_bridge(std::move(bridge)), m_id(std::move(id)) {}
  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }
  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    m_bridge->active = m_id;
    if (member == kSave) return m_bridge->call("save " + m_id) ? kOk : kFailed;
    return worksheet(m_bridge, m_id, arguments, result);
  }

 private:
  static constexpr int kSave = 283;
  static constexpr MemberInfo kMembers[] = {{"Worksheets", 494, false, true, false}, {"Save", kSave, true, false, false}};
  std::shared_ptr<Bridge> m_bridge;
  std::string m_id;
};

class WorkbooksProxy final : public Dispatch {
 public:
  explicit WorkbooksProxy(std::shared_ptr<Bridge> bridge) : m_bridge(std::move(bridge)) {}
  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }
  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    if (!oneArgument(arguments, Variant::Kind::Text)) return arguments.size() == 1 ? kTypeMismatch : kBadParamCount;
    std::optional<std::string> id = m_bridge->call("open " + escaped(arguments[0].text), nullptr, kOpenTimeoutMs);
    if (!id) return kApplicationError;
    m_bridge->active = *id;
    if (result) *result = Variant::ofObject(std::make_shared<WorkbookProxy>(m_bridge, *id));
    return kOk;
  }

 private:
  static constexpr MemberInfo kMembers[] = {{"Open", 682, true, false, false}};
  std::shared_ptr<Bridge> m_bridge;
};

class ApplicationProxy final : public Dispatch {
 public:
  explicit ApplicationProxy(std::shared_ptr<Bridge> bridge) : m_bridge(std::move(bridge)) {}
  std::optional<int> memberId(std::string_view name) const override { return findMember(kMembers, name); }
  ResultCode invoke(int member, CallType type, std::span<const Variant> arguments, Variant* result) override {
    if (ResultCode code = checkCall(kMembers, member, type)) return code;
    switch (member) {
      case kWorkbooks:
        if (result) *result = Variant::ofObject(std::make_shared<WorkbooksProxy>(m_bridge));
        return kOk;
      case kWorksheets:
        return worksheet(m_bridge, m_bridge->active, arguments, result);
      case kVisible: {
        if (arguments.size() != 1) return kBadParamCount;
        bool shown = arguments[0].kind == Variant::Kind::Number ? arguments[0].number != 0 : !arguments[0].text.empty();
        return m_bridge->call(shown ? "visible 1" : "visible 0") ? kOk : kApplicationError;
      }
      case kSave:
        if (m_bridge->active.empty()) return kFailed;
        return m_bridge->call("save " + m_bridge->active) ? kOk : kFailed;
      case kQuit:
        m_bridge->active.clear();
        return m_bridge->call("quit", nullptr, kOpenTimeoutMs) ? kOk : kApplicationError;
      default:  // DisplayAlerts: LibreOffice asks nothing when driven over UNO
        return arguments.size() == 1 ? kOk : kBadParamCount;
    }
  }

 private:
  static constexpr int kWorkbooks = 572;
  static constexpr int kWorksheets = 494;
  static constexpr int kVisible = 558;
  static constexpr int kSave = 283;
  static constexpr int kQuit = 302;
  static constexpr MemberInfo kMembers[] = {{"Workbooks", kWorkbooks, false, true, false},
                                            {"Worksheets", kWorksheets, false, true, false},
                                            {"Visible", kVisible, false, true, true},
                                            {"DisplayAlerts", 343, false, true, true},
                                            {"Save", kSave, true, false, false},
                                            {"Quit", kQuit, true, false, false}};
  std::shared_ptr<Bridge> m_bridge;
};

}  // namespace

std::shared_ptr<Dispatch> makeLibreOfficeApplication(std::string& error) {
  std::unique_ptr<LineProgram> helper = startLineProgram({kPython, "-c", kBridgeScript}, error);
  if (!helper) return nullptr;
  auto bridge = std::make_shared<Bridge>(std::move(helper));
  // The helper answers once it has loaded LibreOffice's UNO module.
  if (!bridge->call("visible 0", &error)) return nullptr;
  return std::make_shared<ApplicationProxy>(bridge);
}

}  // namespace qlm
