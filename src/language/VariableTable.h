#pragma once
// The variables of one document. Each keeps its value in a stored form that
// carries the type: a text between double quotes is 'C', anything else 'I'.
#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

struct StoredVariable {
  std::string form;
  char type = 'C';
};

class VariableTable {
 public:
  static constexpr std::size_t kCapacity = 255;
  static constexpr std::size_t kMaxNameLength = 49;
  static constexpr std::size_t kMaxStoredLength = 3999;
  static constexpr std::size_t kSystemCount = 11;

  enum class SetStatus { Stored, Ignored, TableFull, NameTooLong, ValueTooLong };
  struct SetResult {
    char type = '?';
    SetStatus status = SetStatus::Ignored;
  };

  VariableTable();

  // Decides the type from the first character; an empty unquoted form is not stored.
  SetResult set(std::string_view name, std::string_view storedForm);

  // Unknown names give `""` with type 'C'; $TIME and $DATE give their template filled in.
  StoredVariable get(std::string_view name) const;
  long long getNumber(std::string_view name) const;
  bool exists(std::string_view name) const;

  // Drops every variable behind the system ones.
  void dropUserVariables();

  std::size_t size() const { return m_entries.size(); }
  const std::string& nameAt(std::size_t index) const { return m_entries[index].name; }
  const StoredVariable& valueAt(std::size_t index) const { return m_entries[index].value; }
  // Indexes by decreasing name length, ties in table order, so that a text
  // replacement meets $AB before $A.
  const std::vector<unsigned char>& nameLengthOrder() const { return m_nameLengthOrder; }

  // For tests and for reproducible runs: the local time that $TIME and $DATE show.
  void setClock(std::function<std::tm()> localTime) { m_localTime = std::move(localTime); }

  static char typeOfStoredForm(std::string_view storedForm);
  // The value an expression sees: quotes of a text removed, each "" made one ".
  static std::string readValue(const StoredVariable& stored);

 private:
  struct Entry {
    std::string name;
    StoredVariable value;
  };

  int find(std::string_view name) const;
  void rebuildNameLengthOrder();
  std::string fillTemplate(std::string_view name, std::string form) const;

  std::vector<Entry> m_entries;
  std::vector<unsigned char> m_nameLengthOrder;
  std::function<std::tm()> m_localTime;
};

}  // namespace qlm
