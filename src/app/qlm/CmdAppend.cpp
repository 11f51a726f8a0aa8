#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/qlm/ToolSupport.h"
#include "platform/FileOperations.h"
#include "document/Snapshot.h"
#include "platform/WholeFile.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

constexpr std::string_view kSynopsis =
    "append FILE.qlm --kind K --text TEXT --picture PICTURE.bmp [--title T] [--class C] [--process P] "
    "[--click X,Y] [--area L,T,R,B]";
constexpr std::string_view kKinds = "12ACKBMRr";
// No larger picture fits in a document file behind its index and record.
constexpr std::uint64_t kLargestPictureFile = 0xFFFFFFFFull - kDataStart - kRecordSize;

struct AppendOptions {
  std::string path;
  std::optional<char> kind;
  std::optional<std::string> text;
  std::optional<std::string> picture;
  NewRecordFields fields;
  bool clickGiven = false;
};

// False on a usage error.
bool parseOption(std::string_view name, std::string_view value, AppendOptions& options) {
  if (name == "--kind") {
    if (value.size() != 1 || kKinds.find(value[0]) == std::string_view::npos) return false;
    options.kind = value[0];
  } else if (name == "--text") {
    options.text = cp1252FromUtf8(value);
  } else if (name == "--picture") {
    options.picture = std::string(value);
  } else if (name == "--title") {
    options.fields.windowTitle = cp1252FromUtf8(value);
  } else if (name == "--class") {
    options.fields.windowClass = cp1252FromUtf8(value);
  } else if (name == "--process") {
    options.fields.process = cp1252FromUtf8(value);
  } else if (name == "--click") {
    auto point = parseNumbers(value, 2);
    if (!point) return false;
    options.fields.click = {(*point)[0], (*point)[1]};
    options.clickGiven = true;
  } else if (name == "--area") {
    auto area = parseNumbers(value, 4);
    if (!area) return false;
    options.fields.imageArea = rectFromInclusive((*area)[0], (*area)[1], (*area)[2], (*area)[3]);
  } else {
    return false;
  }
  return true;
}

std::optional<AppendOptions> parseArguments(CommandArgs args) {
  if (args.empty()) return std::nullopt;
  AppendOptions options;
  options.path = std::string(args[0]);
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || !parseOption(args[i], args[i + 1], options)) return std::nullopt;
  }
  if (!options.kind || !options.text || !options.picture) return std::nullopt;
  return options;
}

}  // namespace

int cmdAppend(CommandArgs args) {
  auto options = parseArguments(args);
  if (!options) return reportUsage(kSynopsis);
  auto bytes = readWholeFile(systemFileSystem(), *options->picture, kLargestPictureFile);
  if (!bytes) return reportFailure(bytes.error());
  auto picture = readBmpFile(*bytes);
  if (!picture) return reportFailure(*options->picture + ": " + picture.error());

  NewRecordFields& fields = options->fields;
  fields.kind = *options->kind;
  fields.text = *options->text;
  fields.user = cp1252FromUtf8(functions::loginName());
  fields.created = creationStamp(std::time(nullptr));
  fields.areaWidth = fields.pictureWidth = picture->width;
  fields.areaHeight = fields.pictureHeight = picture->height;

  Snapshot snapshot;
  snapshot.setCapture(std::move(*picture));
  std::string path = options->path;
  if (!snapshot.beginAppend(path)) return reportFailure(snapshot.message());
  fields.firstRecordOfFile = snapshot.count() == 0;
  int line = snapshot.count() + 1;
  bool appended = snapshot.appendRecordImage(makeNewRecord(fields)) && snapshot.appendPicture();
  if (!snapshot.finishAppend() || !appended) return reportFailure(snapshot.message());
  std::printf("%s: line %d\n", path.c_str(), line);
  return kExitOk;
}

}  // namespace qlm
