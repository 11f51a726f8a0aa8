#include "app/qlm/ToolSupport.h"
#include "document/Snapshot.h"
#include "platform/WholeFile.h"

namespace qlm {

int cmdPicture(CommandArgs args) {
  bool grey = args.size() == 4 && args[3] == "--grey";
  if (args.size() != (grey ? 4u : 3u)) return reportUsage("picture FILE.qlm LINE OUT.bmp [--grey]");
  std::string path(args[0]);
  Snapshot reader;
  if (!reader.openForReading(path)) return reportFailure(reader.message());
  auto line = parseLine(args[1], reader.count());
  if (!line) return reportFailure(noSuchLine(path, args[1], reader.count()));
  if (reader.readRecord(*line) != 0 || !reader.readPicture(!grey)) return reportFailure(reader.message());
  reader.closeReading();
  if (Outcome written = writeWholeFile(systemFileSystem(), std::string(args[2]), bmpFileBytes(reader.display()));
      !written) {
    return reportFailure(written.message);
  }
  return kExitOk;
}

}  // namespace qlm
