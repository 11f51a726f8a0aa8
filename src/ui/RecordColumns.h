#pragma once
// The 18 columns of the record list and the texts of their cells, drawn from
// a record as the document file holds it. Texts here are UTF-8; records keep
// Windows-1252.
#include <array>
#include <string>
#include <string_view>

#include "document/RecordImage.h"
#include "platform/Outcome.h"

namespace qlm {

class Settings;

enum class Column {
  Number, Play, Who, DayHour, Application, Title, MinWait, Instruction, Condition, MaxWait, Event, Sense,
  Comment, Process, Ctrl, Alt, Shift, Erase,
};
inline constexpr int kColumnCount = 18;

struct ColumnSpec {
  Column column;
  std::string_view widthValue;  // machine-wide setting; 0 hides the column
  int defaultWidth;
  std::string_view header;
  bool centred;
};

const std::array<ColumnSpec, kColumnCount>& columnSpecs();
int columnWidth(Column column, Settings* settings);

// "Aucune", "PostAction si [Forme] trouvée", ...
std::string conditionName(int level);
std::string eventName(const RecordImage& record);
std::string senseName(int sense);
// "%6.2f" seconds of a wait in milliseconds.
std::string waitSeconds(int milliseconds);
// The text of a cell as the list shows it; empty for the play column.
std::string cellText(const RecordImage& record, int row, Column column);

// The columns whose text is written back into the record.
bool editable(Column column);
// Writes a cell's new text into the record. An instruction is analysed and
// checked first: a refused one leaves the record alone and gives the
// language's message.
Outcome applyCellText(RecordImage& record, Column column, std::string_view utf8);

}  // namespace qlm
