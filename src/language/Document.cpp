#include "language/Document.h"

#include <algorithm>
#include <cctype>

namespace qlm {
namespace {

std::tm toTm(const LocalTime& local) {
  std::tm t{};
  t.tm_year = local.year - 1900;
  t.tm_mon = local.month - 1;
  t.tm_mday = local.day;
  t.tm_hour = local.hour;
  t.tm_min = local.minute;
  t.tm_sec = local.second;
  return t;
}

}  // namespace

Document::Document(UiService& ui, TraceSink& trace, Clock& clock)
    : m_ui(ui), m_trace(trace), m_clock(clock) {
  m_variables.setClock([&clock] { return toTm(clock.localTime()); });
  m_chronoStart = clock.nowMs();
  resetVariables();
}

char Document::setVariable(std::string_view name, std::string_view storedForm) {
  using Status = VariableTable::SetStatus;
  VariableTable::SetResult result = m_variables.set(name, storedForm);
  switch (result.status) {
    case Status::TableFull:
      m_ui.showMessage("Too many variables");
      requestStop();
      break;
    case Status::NameTooLong:
      m_ui.showMessage("Variable name too long (49 characters at most): " + std::string(name));
      requestStop();
      break;
    case Status::ValueTooLong:
      m_ui.showMessage("Value too long for variable " + std::string(name) + " (3999 characters at most).");
      requestStop();
      break;
    case Status::Stored:
    case Status::Ignored:
      break;
  }
  return result.type;
}

char Document::setVariableNumber(std::string_view name, long long value) {
  return setVariable(name, std::to_string(value));
}

void Document::resetVariables() {
  m_variables.dropUserVariables();
  setVariableNumber("$QLM_LINE", 1);
  setVariableNumber("$QLM_INST", 1);
  setVariableNumber("$QLM_PIXELTOL", 0);
  setVariableNumber("$QLM_COLORTOL", 0);
  setVariableNumber("$QLM_MOUSE_SPEED", 40);
  setVariableNumber("$QLM_KEY_SPEED", 40);
  setVariableNumber("$QLM_KEY_MODE", 0);
  setVariable("$TFORMAT", "LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET");
  setVariable("$TIME", "HH:MM:SS");
  setVariable("$DATE", "YYYY/MM/DD");
  m_settings = PlaybackSettings{};
  setVariableNumber("$QLM_MAX_WAIT_WIN", 3000);
  for (const StartingVariable& variable : m_startingVariables) {
    std::string name = variable.name;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    setVariable(name, variable.value);
  }
  int verboseLevel = m_traceSettings.verboseLevel;  // the reset leaves the verbose level alone
  m_traceSettings = TraceSettings{};
  m_traceSettings.verboseLevel = verboseLevel;
  m_endKey = EndKeySetting{};
}

}  // namespace qlm
