#include "language/VariableTable.h"

#include <cstdio>

#include "language/Value.h"

namespace qlm {
namespace {

struct SystemVariable {
  std::string_view name;
  std::string_view initial;
};

// Table order matters: it breaks ties in the name-length order.
constexpr SystemVariable kSystemVariables[VariableTable::kSystemCount] = {
    {"$QLM_LINE", "1"},          {"$QLM_LINE_NB", "0"},   {"$QLM_INST", "1"},
    {"$QLM_INST_NB", "0"},       {"$QLM_MAX_WAIT_WIN", "1000"}, {"$QLM_COLORTOL", "0"},
    {"$QLM_PIXELTOL", "0"},      {"$QLM_MOUSE_SPEED", "40"}, {"$QLM_KEY_SPEED", "40"},
    {"$QLM_KEY_MODE", "0"},      {"$QLM_PATH", ""},
};

std::tm systemLocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + with.size())) {
    text.replace(pos, what.size(), with);
  }
}

std::string twoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

}  // namespace

VariableTable::VariableTable() : m_localTime(systemLocalTime) {
  for (const SystemVariable& variable : kSystemVariables) {
    // $QLM_PATH starts empty, which `set` would refuse; it is the one exception.
    m_entries.push_back({std::string(variable.name), {std::string(variable.initial), variable.initial.empty() ? 'C' : 'I'}});
  }
  rebuildNameLengthOrder();
}

char VariableTable::typeOfStoredForm(std::string_view storedForm) {
  return !storedForm.empty() && storedForm.front() == '"' ? 'C' : 'I';
}

VariableTable::SetResult VariableTable::set(std::string_view name, std::string_view storedForm) {
  char type = typeOfStoredForm(storedForm);
  if (storedForm.empty()) return {'?', SetStatus::Ignored};
  if (name.size() > kMaxNameLength) return {type, SetStatus::NameTooLong};
  if (storedForm.size() > kMaxStoredLength) return {type, SetStatus::ValueTooLong};
  int index = find(name);
  if (index >= 0) {
    m_entries[static_cast<std::size_t>(index)].value = {std::string(storedForm), type};
    return {type, SetStatus::Stored};
  }
  if (m_entries.size() >= kCapacity) return {type, SetStatus::TableFull};
  m_entries.push_back({std::string(name), {std::string(storedForm), type}});
  rebuildNameLengthOrder();
  return {type, SetStatus::Stored};
}

StoredVariable VariableTable::get(std::string_view name) const {
  int index = find(name);
  if (index < 0) return {"\"\"", 'C'};
  const StoredVariable& stored = m_entries[static_cast<std::size_t>(index)].value;
  if (name == "$TIME" || name == "$DATE") return {fillTemplate(name, stored.form), stored.type};
  return stored;
}

long long VariableTable::getNumber(std::string_view name) const {
  int index = find(name);
  if (index < 0) return 0;
  const StoredVariable& stored = m_entries[static_cast<std::size_t>(index)].value;
  return stored.type == 'I' ? toInteger(stored.form) : 0;
}

bool VariableTable::exists(std::string_view name) const { return find(name) >= 0; }

void VariableTable::dropUserVariables() {
  m_entries.resize(kSystemCount);
  rebuildNameLengthOrder();
}

std::string VariableTable::readValue(const StoredVariable& stored) {
  std::string_view form = stored.form;
  if (stored.type == 'C' && form.size() >= 2) form = form.substr(1, form.size() - 2);
  else if (stored.type == 'C') form = {};
  std::string value;
  value.reserve(form.size());
  for (std::size_t i = 0; i < form.size(); ++i) {
    value += form[i];
    if (form[i] == '"' && i + 1 < form.size() && form[i + 1] == '"') ++i;
  }
  return value;
}

int VariableTable::find(std::string_view name) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void VariableTable::rebuildNameLengthOrder() {
  m_nameLengthOrder.clear();
  for (std::size_t length = kMaxNameLength + 1; length-- > 0;) {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
      if (m_entries[i].name.size() == length) m_nameLengthOrder.push_back(static_cast<unsigned char>(i));
    }
  }
}

std::string VariableTable::fillTemplate(std::string_view name, std::string form) const {
  std::tm now = m_localTime();
  if (name == "$TIME") {
    replaceAll(form, "HH", twoDigits(now.tm_hour));
    replaceAll(form, "MM", twoDigits(now.tm_min));
    replaceAll(form, "SS", twoDigits(now.tm_sec));
    return form;
  }
  char year[16];
  std::snprintf(year, sizeof year, "%04d", now.tm_year + 1900);
  replaceAll(form, "YYYY", year);
  replaceAll(form, "YY", twoDigits((now.tm_year + 1900) % 100));
  replaceAll(form, "MM", twoDigits(now.tm_mon + 1));
  replaceAll(form, "DD", twoDigits(now.tm_mday));
  return form;
}

}  // namespace qlm
