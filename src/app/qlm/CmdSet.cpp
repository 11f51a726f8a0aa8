#include <functional>

#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"
#include "language/Lexer.h"
#include "language/SyntaxChecker.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis =
    "set FILE.qlm LINE FIELD=VALUE...   (instruction, comment, process, title, play, erase, min_wait, max_wait, "
    "click, area, text_area)";

// Empty when the value was taken; "" + message for a rejected instruction;
// nullopt for a value that does not fit the field (a usage error).
using Setter = std::function<std::optional<std::string>(RecordImage&, std::string_view)>;

struct Field {
  std::string_view name;
  Setter set;
};

Setter textSetter(TextField field) {
  return [field](RecordImage& record, std::string_view value) -> std::optional<std::string> {
    record.setText(field, cp1252FromUtf8(value));
    return std::string();
  };
}

Setter numberSetter(IntField field, int lowest, int highest) {
  return [=](RecordImage& record, std::string_view value) -> std::optional<std::string> {
    auto number = parseNumber(value);
    if (!number || *number < lowest || *number > highest) return std::nullopt;
    record.set(field, *number);
    return std::string();
  };
}

Setter areaSetter(void (RecordImage::*setArea)(const Rect&)) {
  return [setArea](RecordImage& record, std::string_view value) -> std::optional<std::string> {
    auto numbers = parseNumbers(value, 4);
    if (!numbers) return std::nullopt;
    (record.*setArea)(rectFromInclusive((*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]));
    return std::string();
  };
}

// As the instruction editor does: analyse, check, keep the normalised text
// and the flags the analysis computed.
std::optional<std::string> setInstruction(RecordImage& record, std::string_view value) {
  AnalysisState state;
  analyse(cp1252FromUtf8(value), 0, 0, state);
  SyntaxResult checked = checkSyntax(state);
  if (!checked.ok) return checked.message.empty() ? "the instruction is not valid" : terminalText(checked.message);
  record.setText(TextField::Instruction, state.text);
  record.set(IntField::ConditionLevel, state.flags.conditionLevel);
  record.set(IntField::ClickFlag, state.flags.clickFlag);
  record.set(IntField::TextFlag, state.flags.textFlag);
  return std::string();
}

const Field kFields[] = {
    {"instruction", setInstruction},
    {"comment", textSetter(TextField::Comment)},
    {"process", textSetter(TextField::Process)},
    {"title", textSetter(TextField::WindowTitle)},
    {"play", numberSetter(IntField::Play, 0, 1)},
    {"erase", numberSetter(IntField::Erase, 0, 1)},
    {"min_wait", numberSetter(IntField::MinWait, 0, INT32_MAX)},
    {"max_wait", numberSetter(IntField::MaxWait, 0, INT32_MAX)},
    {"click",
     [](RecordImage& record, std::string_view value) -> std::optional<std::string> {
       auto point = parseNumbers(value, 2);
       if (!point) return std::nullopt;
       record.setClick({(*point)[0], (*point)[1]});
       return std::string();
     }},
    {"area", areaSetter(&RecordImage::setImageArea)},
    {"text_area", areaSetter(&RecordImage::setTextArea)},
};

const Field* findField(std::string_view name) {
  for (const Field& field : kFields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

// Applies the assignments; a usage error leaves `usage` set.
Outcome assign(RecordImage& record, CommandArgs assignments, int line, bool& usage) {
  for (std::string_view assignment : assignments) {
    std::size_t equals = assignment.find('=');
    const Field* field = equals == std::string_view::npos ? nullptr : findField(assignment.substr(0, equals));
    auto rejected = field == nullptr ? std::nullopt : field->set(record, assignment.substr(equals + 1));
    if (!rejected) {
      usage = true;
      return Outcome::failure("");
    }
    if (!rejected->empty()) return Outcome::failure("line " + std::to_string(line + 1) + ": " + *rejected);
  }
  return Outcome::success();
}

}  // namespace

int cmdSet(CommandArgs args) {
  if (args.size() < 3) return reportUsage(kSynopsis);
  std::string path(args[0]);
  std::string error;
  auto count = lineCount(path, error);
  if (!count) return reportFailure(error);
  auto line = parseLine(args[1], *count);
  if (!line) return reportFailure(noSuchLine(path, args[1], *count));
  CommandArgs assignments = args.subspan(2);
  // Values are checked before the file is locked; none depends on the record.
  RecordImage scratch;
  bool usage = false;
  if (Outcome checked = assign(scratch, assignments, *line, usage); !checked) {
    return usage ? reportUsage(kSynopsis) : reportFailure(checked.message);
  }
  // The record is read and written back under one lock, so that changes by
  // other programs in between are never undone.
  Outcome changed = Snapshot().updateRecord(path, *line, [&](RecordImage& record) {
    record.applyNotCheckedRule();
    Outcome assigned = assign(record, assignments, *line, usage);
    record.setText(TextField::LayoutTag, kLayoutTag);
    return assigned;
  });
  if (!changed) return reportFailure(changed.message);
  return kExitOk;
}

}  // namespace qlm
