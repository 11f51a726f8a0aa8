#include "spreadsheet/Automation.h"

#include <cstdio>

#include "language/Services.h"

namespace qlm {
namespace {

struct KnownResult {
  ResultCode code;
  const char* message;
};

constexpr KnownResult kKnownResults[] = {
    {0x80020001, "DISP_E_UNKNOWNINTERFACE"},
    {0x80020003, "DISP_E_MEMBERNOTFOUND"},
    {0x80020004, "DISP_E_PARAMNOTFOUND"},
    {0x80020005, "DISP_E_TYPEMISMATCH"},
    {0x80020007, "DISP_E_NONAMEDARGS"},
    {0x80020008, "DISP_E_BADVARTYPE"},
    {0x80020009, "Excel function error:\nInvalid cell code."},
    {0x8002000A, "DISP_E_OVERFLOW"},
    {0x8002000C, "DISP_E_UNKNOWNLCID"},
    {0x8002000E, "DISP_E_BADPARAMCOUNT"},
    {0x8002000F, "DISP_E_PARAMNOTOPTIONAL"},
};

std::string hex(ResultCode code, const char* format) {
  char text[16];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long>(code));
  return text;
}

}  // namespace

std::optional<int> findMember(std::span<const MemberInfo> members, std::string_view name) {
  for (const MemberInfo& member : members) {
    if (member.name == name) return member.id;
  }
  return std::nullopt;
}

ResultCode checkCall(std::span<const MemberInfo> members, int id, CallType type) {
  for (const MemberInfo& member : members) {
    if (member.id != id) continue;
    bool answers = (type == CallType::Method && member.method) || (type == CallType::PropertyGet && member.get) ||
                   (type == CallType::MethodOrGet && (member.method || member.get)) ||
                   (type == CallType::PropertyPut && member.put);
    return answers ? kOk : kMemberNotFound;
  }
  return kMemberNotFound;
}

ResultCode autoWrap(AutomationContext& context, CallType type, Variant* result, Dispatch* target,
                    std::string_view member, std::span<const Variant> arguments) {
  UiService& ui = context.ui;
  if (!target) {
    // Ending the program here would lose the document's unsaved state: the call fails instead.
    ui.showMessage("NULL IDispatch passed to AutoWrap()", "Error");
    return kFailed;
  }
  std::optional<int> id = target->memberId(member);
  if (!id) {
    ui.bringMainWindowToFront();
    if (member == "Visible") {
      ui.showMessage("Excel function error:\nCell busy.", "Quillmote / Excel");
    } else if (member == "Workbooks") {
      ui.showMessage("Excel function error:\nWorkbook busy.", "Quillmote / Excel");
    } else if (!context.quiet) {
      ui.showMessage("IDispatch::GetIDsOfNames(\"" + std::string(member) + "\") failed w/err " +
                         hex(kUnknownName, "0x%08lx"),
                     "AutoWrap()");
    }
    return kUnknownName;
  }
  ResultCode code = target->invoke(*id, type, arguments, result);
  if (code != kOk && !context.quiet) {
    ui.showMessage("IDispatch::Invoke(\"" + std::string(member) + "\"=" + hex(static_cast<ResultCode>(*id), "%08lx") +
                       ") failed w/err " + hex(code, "0x%08lx"),
                   "AutoWrap()");
    for (const KnownResult& known : kKnownResults) {
      if (known.code == code) ui.showMessage(known.message, "Error:");
    }
  }
  return code;
}

}  // namespace qlm
