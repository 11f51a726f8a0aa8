#include "ui/RecordColumns.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

#include "language/KeyNotation.h"
#include "language/Lexer.h"
#include "language/SyntaxChecker.h"
#include "platform/Settings.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

const std::array<ColumnSpec, kColumnCount> kColumns{{
    {Column::Number, "NUMREC_COLSIZE", 40, "N°", false},
    {Column::Play, "PLAY_COLSIZE", 48, "Play", true},
    {Column::Who, "WHO_COLSIZE", 0, "Who", false},
    {Column::DayHour, "DATE_COLSIZE", 0, "Day Hour", false},
    {Column::Application, "APPS_COLSIZE", 0, "Application", false},
    {Column::Title, "TITLE_COLSIZE", 170, "Title", false},
    {Column::MinWait, "ATT1_COLSIZE", 0, "Att Min(s)", false},
    {Column::Instruction, "TXT_COLSIZE", 950, "Command=\"Text\"&Function()&..;..;..", false},
    {Column::Condition, "ACT_COLSIZE", 0, "Action / condition [+]", false},
    {Column::MaxWait, "ATT2_COLSIZE", 0, "Att Max(s)", false},
    {Column::Event, "EVT_COLSIZE", 0, "Evenement", false},
    {Column::Sense, "SENS_COLSIZE", 0, "Sense", false},
    {Column::Comment, "TXT2_COLSIZE", 1100, "Comments", false},
    {Column::Process, "TXT3_COLSIZE", 0, "Post-Action texte si NOK", false},
    {Column::Ctrl, "CTRL_COLSIZE", 0, "C", true},
    {Column::Alt, "ALT_COLSIZE", 0, "A", true},
    {Column::Shift, "SHIFT_COLSIZE", 0, "S", true},
    {Column::Erase, "DELETE_COLSIZE", 0, "Erase", true},
}};

// The hook messages the recorder stores for the four mouse-table entries, in table order.
constexpr std::array<std::uint32_t, 4> kMouseMessages{513, 514, 516, 517};
constexpr std::uint32_t kKeyDown = 256;
constexpr std::uint32_t kKeyUp = 257;

std::uint32_t eventWord(const std::array<std::uint8_t, RecordImage::kCapturedEventSize>& event, std::size_t index) {
  std::size_t at = index * 4;
  return static_cast<std::uint32_t>(event[at]) | static_cast<std::uint32_t>(event[at + 1]) << 8 |
         static_cast<std::uint32_t>(event[at + 2]) << 16 | static_cast<std::uint32_t>(event[at + 3]) << 24;
}

std::string modifierName(std::string_view name, bool held) {
  return std::string(held ? "\\[" : "/[") + std::string(name) + "]";
}

std::string heldMark(int flag) { return flag != 0 ? "X" : " "; }

std::string fieldText(const RecordImage& record, TextField field) { return utf8FromCp1252(record.text(field)); }

// Decimal seconds as the user typed them; what is no number reads as 0.
int millisecondsOf(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  double seconds = 0;
  std::from_chars(text.data(), text.data() + text.size(), seconds);
  double milliseconds = seconds * 1000;
  if (!(milliseconds > INT32_MIN)) return INT32_MIN;
  if (!(milliseconds < INT32_MAX)) return INT32_MAX;
  return static_cast<int>(milliseconds);
}

}  // namespace

const std::array<ColumnSpec, kColumnCount>& columnSpecs() { return kColumns; }

int columnWidth(Column column, Settings* settings) {
  const ColumnSpec& spec = kColumns[static_cast<std::size_t>(column)];
  return settings != nullptr ? settings->machineInt(spec.widthValue, spec.defaultWidth) : spec.defaultWidth;
}

std::string conditionName(int level) {
  switch (level) {
    case 0: return "Aucune";
    case 1: return "PostAction +=(x,y) sans control";
    case 2: return "PostAction si [Forme] trouvée";
    case 3: return "PostAction si [Image] trouvée";
    default: return "???";
  }
}

std::string eventName(const RecordImage& record) {
  switch (record.kind()) {
    case 'C': return modifierName("CTRL", record.get(IntField::Ctrl) == 1);
    case 'A': return modifierName("ALT", record.get(IntField::Alt) == 1);
    case 'S': return modifierName("SHIFT", record.get(IntField::Shift) == 1);
    default: break;
  }
  auto event = record.capturedEvent();
  if (eventWord(event, 0) == 0) {
    std::uint32_t message = eventWord(event, 6);
    auto mouse = mouseKeyTable();
    for (std::size_t i = 0; i < kMouseMessages.size() && i < mouse.size(); ++i) {
      if (kMouseMessages[i] == message) return std::string(mouse[i].notation);
    }
    return "Mouse ?";
  }
  std::uint32_t virtualKey = eventWord(event, 1) & 0xFFFF;
  std::uint32_t message = eventWord(event, 4);
  for (const KeyEntry& key : keyboardKeyTable()) {
    std::uint32_t keyMessage = key.kind == KeyAction::Release ? kKeyUp : kKeyDown;
    if (keyMessage == message && static_cast<std::uint32_t>(key.virtualKey) == virtualKey) {
      return std::string(key.notation);
    }
  }
  char text[64];
  std::snprintf(text, sizeof text, "ExtraInf=%X - wVk=%X", message, virtualKey);
  return text;
}

std::string senseName(int sense) {
  switch (sense) {
    case 0: return "Down";
    case 1: return "Up";
    case 2: return "Down+Up";
    case 3: return "Other";
    default: return "???";
  }
}

std::string waitSeconds(int milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%6.2f", milliseconds / 1000.0);
  return text;
}

std::string cellText(const RecordImage& record, int row, Column column) {
  switch (column) {
    case Column::Number: return std::to_string(row + 1);
    case Column::Play: return {};
    case Column::Who: return fieldText(record, TextField::User);
    case Column::DayHour: return dateText(record.text(TextField::Created));
    case Column::Application: return fieldText(record, TextField::WindowClass);
    case Column::Title: return fieldText(record, TextField::WindowTitle);
    case Column::MinWait: return waitSeconds(record.get(IntField::MinWait));
    case Column::Instruction: return fieldText(record, TextField::Instruction);
    case Column::Condition: return conditionName(record.get(IntField::ConditionLevel));
    case Column::MaxWait: return waitSeconds(record.get(IntField::MaxWait));
    case Column::Event: return eventName(record);
    case Column::Sense: return senseName(record.get(IntField::Sense));
    case Column::Comment: return fieldText(record, TextField::Comment);
    case Column::Process: return fieldText(record, TextField::Process);
    case Column::Ctrl: return heldMark(record.get(IntField::Ctrl));
    case Column::Alt: return heldMark(record.get(IntField::Alt));
    case Column::Shift: return heldMark(record.get(IntField::Shift));
    case Column::Erase: return heldMark(record.get(IntField::Erase));
  }
  return {};
}

bool editable(Column column) {
  switch (column) {
    case Column::Title:
    case Column::MinWait:
    case Column::Instruction:
    case Column::MaxWait:
    case Column::Comment:
    case Column::Process:
      return true;
    default:
      return false;
  }
}

Outcome applyCellText(RecordImage& record, Column column, std::string_view utf8) {
  std::string text = cp1252FromUtf8(utf8);
  switch (column) {
    case Column::Title: record.setText(TextField::WindowTitle, text); break;
    case Column::Comment: record.setText(TextField::Comment, text); break;
    case Column::Process: record.setText(TextField::Process, text); break;
    case Column::MinWait: record.set(IntField::MinWait, millisecondsOf(text)); break;
    case Column::MaxWait: record.set(IntField::MaxWait, millisecondsOf(text)); break;
    case Column::Instruction: {
      AnalysisState state;
      analyse(text, 0, 0, state);
      SyntaxResult checked = checkSyntax(state);
      if (!checked.ok) return Outcome::failure(checked.message);
      record.setText(TextField::Instruction, state.text);
      record.set(IntField::ConditionLevel, state.flags.conditionLevel);
      record.set(IntField::ClickFlag, state.flags.clickFlag);
      record.set(IntField::TextFlag, state.flags.textFlag);
      break;
    }
    default: return Outcome::failure("This column cannot be edited.");
  }
  return Outcome::success();
}

}  // namespace qlm
