#pragma once
// The program's own command-line grammar: the document, options and
// variables with their values. The first error ends the parsing.
#include <string>
#include <string_view>
#include <vector>

#include "language/Document.h"

namespace qlm {

class CommandLine {
 public:
  // `raw` is the whole command line behind the program's name.
  static CommandLine parse(std::string_view raw);
  // The same from items the shell already split; items that hold blanks or
  // '=' are cut again, exactly as in one raw line.
  static CommandLine parse(const std::vector<std::string>& arguments);

  const std::vector<std::string>& items() const { return m_items; }
  enum class ItemKind { Unread, Document, Option, VariableName, Value, Error };
  const std::vector<ItemKind>& kinds() const { return m_kinds; }
  bool valid() const { return m_valid; }
  const std::string& message() const { return m_message; }
  std::string documentPath() const;

  bool play() const { return m_play; }
  bool close() const { return m_close; }
  bool nosound() const { return m_nosound; }
  bool hide() const { return m_hide; }
  bool minimize() const { return m_minimize; }

  struct Variable {
    std::string name;   // as given; the variable reset turns it to upper case
    std::string value;  // as given, quotes included
  };
  std::vector<Variable> variables() const;
  // The variables as the document restores them at every reset.
  std::vector<Document::StartingVariable> startingVariables() const;

 private:
  void classify();
  void fail(std::size_t index, const char* format);
  void missingValue(std::size_t nameIndex);

  std::vector<std::string> m_items;
  std::vector<ItemKind> m_kinds;
  bool m_valid = true;
  std::string m_message;
  bool m_play = false;
  bool m_close = false;
  bool m_nosound = false;
  bool m_hide = false;
  bool m_minimize = false;
};

}  // namespace qlm
