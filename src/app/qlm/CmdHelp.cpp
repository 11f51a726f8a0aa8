// qlm help: the usage texts of the function table, one function explained,
// or the reference part of docs/language.md.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/qlm/FunctionGuide.h"
#include "app/qlm/ToolSupport.h"
#include "language/FunctionTable.h"
#include "language/KeyNotation.h"
#include "language/OperatorTable.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis = "help [NAME | --markdown]";

// The checker's type of a call, as the page's table of type letters names it.
std::string_view resultName(char letter) {
  switch (letter) {
    case 'I': return "I (number)";
    case 'C': return "C (text)";
    default: return "V (untyped)";
  }
}

void put(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void printFunction(const FunctionInfo& function) {
  put(function.usage);
  put("\n\n");
  put(function.description);
  put("\nType: ");
  put(resultName(function.resultLetter()));
  put("\n");
  if (const FunctionGuide* guide = findFunctionGuide(function.name)) {
    put("\n");
    put(guide->behaviour);
    put("\nExample: ");
    put(guide->example);
    put("\n");
  }
}

struct KeyName {
  std::string_view name;  // "[CTRL]"
  bool pressed = false;   // '\\' presses, 'V' presses and releases
  bool released = false;  // '/' releases
};

void addKeyName(std::vector<KeyName>& names, std::string_view notation, KeyAction action) {
  std::string_view name = notation.substr(1);
  auto found = std::find_if(names.begin(), names.end(), [&](const KeyName& known) { return known.name == name; });
  if (found == names.end()) found = names.insert(names.end(), KeyName{name});
  (action == KeyAction::Release ? found->released : found->pressed) = true;
}

void putCell(bool present, char prefix, std::string_view name) {
  put(" | ");
  if (!present) return;
  put("`");
  put(std::string(1, prefix));
  put(name);
  put("`");
}

// The reference part of docs/language.md, between its markers.
void printMarkdown() {
  put("\n## Operators\n\n| operator | usage |\n|---|---|\n");
  for (const OperatorInfo& op : operatorTable()) {
    put("| `");
    put(op.symbol);
    put("` | `");
    put(op.usage);
    put("` |\n");
  }
  put("\n## Key notation\n\n| device | press | release | press and release |\n|---|---|---|---|\n");
  std::vector<KeyName> mouse;
  for (const MouseEntry& entry : mouseKeyTable()) addKeyName(mouse, entry.notation, entry.kind);
  std::vector<KeyName> keys;
  for (const KeyEntry& entry : keyboardKeyTable()) addKeyName(keys, entry.notation, entry.kind);
  for (const auto& [device, names] : {std::pair{"mouse", &mouse}, std::pair{"keyboard", &keys}}) {
    for (const KeyName& key : *names) {
      put("| ");
      put(device);
      putCell(key.pressed, '\\', key.name);
      putCell(key.released, '/', key.name);
      putCell(key.pressed, 'V', key.name);
      put(" |\n");
    }
  }
  put("\n## Functions\n");
  for (const FunctionInfo& function : functionTable()) {
    put("\n### ");
    put(function.name);
    put("\n\n    ");
    put(function.usage);
    put("\n\n");
    put(function.description);
    put(function.description.ends_with('.') ? " Type: " : ". Type: ");
    put(resultName(function.resultLetter()));
    put(".\n");
    if (const FunctionGuide* guide = findFunctionGuide(function.name)) {
      put("\n");
      put(guide->behaviour);
      put("\n\n    ");
      put(guide->example);
      put("\n");
    }
  }
}

}  // namespace

int cmdHelp(CommandArgs args) {
  if (args.size() > 1) return reportUsage(kSynopsis);
  if (args.empty()) {
    for (const FunctionInfo& function : functionTable()) {
      put(function.usage);
      put("\n");
    }
    return kExitOk;
  }
  if (args[0] == "--markdown") {
    printMarkdown();
    return kExitOk;
  }
  int index = findFunctionIgnoringCase(args[0]);
  if (index < 0) return reportFailure("No function named " + std::string(args[0]) + "; qlm help lists them all.");
  printFunction(functionTable()[index]);
  return kExitOk;
}

}  // namespace qlm
