#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qlm {
namespace {

std::vector<std::string> cutIntoItems(std::string_view raw) {
  std::vector<std::string> items;
  std::string item;
  bool quoted = false;
  for (char c : raw) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ' ' || c == '\t' || c == '=')) {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
      continue;
    }
    item += c;
  }
  if (!item.empty()) items.push_back(std::move(item));
  return items;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

CommandLine CommandLine::parse(std::string_view raw) {
  CommandLine line;
  line.m_items = cutIntoItems(raw);
  line.classify();
  return line;
}

CommandLine CommandLine::parse(const std::vector<std::string>& arguments) {
  std::string raw;
  for (const std::string& argument : arguments) {
    // A shell-quoted argument with a blank inside stays one item only when
    // quoted again; values the user quoted for the language keep their quotes.
    bool needsQuotes = argument.find(' ') != std::string::npos && argument.find('"') == std::string::npos;
    if (!raw.empty()) raw += ' ';
    raw += needsQuotes ? "\"" + argument + "\"" : argument;
  }
  return parse(raw);
}

void CommandLine::fail(std::size_t index, const char* format) {
  char message[301];
  std::snprintf(message, sizeof message, format, m_items[index].c_str());
  m_message = message;
  m_valid = false;
  std::fill(m_kinds.begin() + static_cast<std::ptrdiff_t>(index), m_kinds.end(), ItemKind::Error);
}

void CommandLine::classify() {
  struct Option {
    std::string_view name;
    bool CommandLine::*flag;
  };
  static const Option kOptions[] = {
      {"/play", &CommandLine::m_play},   {"/close", &CommandLine::m_close},
      {"/nosound", &CommandLine::m_nosound}, {"/hide", &CommandLine::m_hide},
      {"/minimize", &CommandLine::m_minimize}, {"/dde", nullptr},
  };
  m_kinds.assign(m_items.size(), ItemKind::Unread);
  bool expectingValue = false;
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    const std::string& item = m_items[i];
    // The item behind a name is its value whatever it looks like: on Linux
    // values are often paths, which begin with '/' as options do.
    if (expectingValue) {
      m_kinds[i] = ItemKind::Value;
      expectingValue = false;
      continue;
    }
    if (i == 0 && item.find(".qlm") != std::string::npos) {
      m_kinds[i] = ItemKind::Document;
    } else if (item.front() == '/') {
      auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                 [&](const Option& o) { return equalsIgnoringCase(o.name, item); });
      if (option == std::end(kOptions)) return fail(i, "Invalid command %s");
      if (option->flag) this->*(option->flag) = true;
      m_kinds[i] = ItemKind::Option;
    } else if (item.front() == '$') {
      m_kinds[i] = ItemKind::VariableName;
      expectingValue = true;
      continue;
    } else {
      return fail(i, "Invalid argument %s");
    }
    expectingValue = false;
  }
  if (expectingValue) missingValue(m_items.size() - 1);
}

void CommandLine::missingValue(std::size_t nameIndex) {
  fail(nameIndex, "Missing value for variable %s");
  m_kinds[nameIndex] = ItemKind::VariableName;
}

std::string CommandLine::documentPath() const {
  if (!m_kinds.empty() && m_kinds[0] == ItemKind::Document) return m_items[0];
  return {};
}

std::vector<CommandLine::Variable> CommandLine::variables() const {
  std::vector<Variable> variables;
  for (std::size_t i = 0; i + 1 < m_items.size(); ++i) {
    if (m_kinds[i] == ItemKind::VariableName && m_kinds[i + 1] == ItemKind::Value) variables.push_back({m_items[i], m_items[i + 1]});
  }
  return variables;
}

std::vector<Document::StartingVariable> CommandLine::startingVariables() const {
  std::vector<Document::StartingVariable> result;
  for (Variable& variable : variables()) result.push_back({std::move(variable.name), std::move(variable.value)});
  return result;
}

}  // namespace qlm
