#include <cstdio>

#include "app/qlm/ToolSupport.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis = "list [--json] FILE.qlm";

}  // namespace

int cmdList(CommandArgs args) {
  bool json = !args.empty() && args[0] == "--json";
  if (args.size() != (json ? 2u : 1u)) return reportUsage(kSynopsis);
  std::string path(args.back());
  std::string error;
  auto document = listDocument(path, error);
  if (!document) return reportFailure(error);
  if (json) {
    JsonWriter writer;
    writer.beginObject().key("path").text(cp1252FromUtf8(path)).key("count").number(document->count);
    writer.key("records").beginArray();
    for (const ListedRecord& listed : document->records) writeRecordJson(writer, listed.line, listed.record, listed.picture);
    writer.endArray().endObject();
    std::printf("%s\n", writer.str().c_str());
  } else {
    for (const ListedRecord& listed : document->records) printListRow(listed);
  }
  // Damaged records are left out of the list and named on stderr.
  for (const std::string& damage : document->damage) reportFailure(damage);
  return document->damage.empty() ? kExitOk : kExitFailed;
}

}  // namespace qlm
