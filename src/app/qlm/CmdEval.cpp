// qlm eval: one record's instruction analysed, checked and evaluated against
// a fresh document with no desktop.
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ProgramFunctions.h"
#include "app/qlm/Commands.h"
#include "app/qlm/Json.h"
#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/VariableTable.h"
#include "platform/posix/PosixParts.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr const char* kUsage = "usage: qlm eval [--json] TEXT [$NAME=VALUE | $NAME VALUE]...\n";

struct EvalRequest {
  bool json = false;
  std::string text;
  std::vector<std::string> variableItems;
};

bool parseRequest(CommandArgs args, EvalRequest& request) {
  bool haveText = false;
  for (std::string_view arg : args) {
    if (arg == "--json" && !haveText) {
      request.json = true;
    } else if (!haveText) {
      request.text = cp1252FromUtf8(arg);
      haveText = true;
    } else {
      request.variableItems.push_back(cp1252FromUtf8(arg));
    }
  }
  return haveText;
}

void writeJson(const Interpreter& in, const SyntaxResult& syntax, const std::vector<Value>& results,
               const Document& doc, const MessageLog& messages) {
  const AnalysisState& state = in.analysis();
  JsonWriter json;
  json.beginObject();
  json.key("text").text(state.text);
  json.key("instructions").number(state.instructionCount);
  json.key("condition_level").number(state.flags.conditionLevel);
  json.key("click_flag").number(state.flags.clickFlag);
  json.key("text_flag").number(state.flags.textFlag);
  json.key("syntax").text(syntax.ok ? "ok" : syntax.message);
  json.key("results").beginArray();
  for (const Value& value : results) {
    json.beginObject().key("value").text(value.text).key("type").text(std::string(1, value.type)).endObject();
  }
  json.endArray();
  json.key("variables").beginObject();
  const VariableTable& table = doc.variables();
  for (std::size_t i = VariableTable::kSystemCount; i < table.size(); ++i) {
    json.key(table.nameAt(i)).text(table.valueAt(i).form);
  }
  json.endObject();
  json.key("messages").beginArray();
  for (const std::string& message : messages.messages()) json.text(message);
  json.endArray();
  json.key("stop_request").boolean(doc.stopRequested());
  json.endObject();
  std::printf("%s\n", json.str().c_str());
}

}  // namespace

int cmdEval(CommandArgs args) {
  EvalRequest request;
  if (!parseRequest(args, request)) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  CommandLine variables = CommandLine::parse(request.variableItems);
  for (CommandLine::ItemKind kind : variables.kinds()) {
    using Kind = CommandLine::ItemKind;
    if (kind != Kind::VariableName && kind != Kind::Value && variables.valid()) {
      std::fprintf(stderr, "qlm eval: only variables may follow the text\n%s", kUsage);
      return kExitUsage;
    }
  }
  if (!variables.valid()) {
    std::fprintf(stderr, "qlm eval: %s\n", utf8FromCp1252(variables.message()).c_str());
    return kExitUsage;
  }

  MessageLog messages;
  NullTrace trace;
  std::unique_ptr<Clock> clock = makeSteadyClock();
  Document doc(messages, trace, *clock);
  doc.setStartingVariables(variables.startingVariables());
  doc.resetVariables();

  std::unique_ptr<Settings> settings = makeIniSettings(userSettingsPath(), kMachineSettingsPath);
  if (settings) chooseSpreadsheet(*settings);
  Interpreter in(doc, programFunctionBodies());
  in.analyse(request.text);
  SyntaxResult syntax = in.checkSyntax();
  std::vector<Value> results;
  for (int k = 1; k <= in.analysis().instructionCount; ++k) results.push_back(in.evaluateInstruction(k));

  if (request.json) {
    writeJson(in, syntax, results, doc, messages);
  } else {
    for (const std::string& message : messages.messages()) {
      std::fprintf(stderr, "message: %s\n", terminalText(message, true).c_str());
    }
    for (const Value& value : results) std::printf("%s\n", terminalText(value.text, true).c_str());
  }
  return kExitOk;
}

}  // namespace qlm
