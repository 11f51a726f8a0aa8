// Document file: loading the largest document, one append (with and without
// the flushes and the journal that make it crash-safe), and deleting the
// first record of a 200 MB file against copying that file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "document/RecordDocument.h"
#include "document/Snapshot.h"
#include "LargeDocument.h"

namespace {

namespace fs = std::filesystem;
using namespace qlm;

const fs::path kFolder = fs::temp_directory_path() / ("qlm-bench-" + std::to_string(::getpid()));

Picture pictureOf(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(picture.pixelBytes(), 0x5A);
  return picture;
}

RecordImage benchRecord(int i) {
  NewRecordFields fields;
  fields.text = "\"record " + std::to_string(i) + "[RETURN]\"";
  fields.windowTitle = "Terminal";
  fields.areaWidth = fields.areaHeight = 1000;
  return makeNewRecord(fields);
}

// Blocks written straight after the table, as a recorder would have left them.
std::string makeDocument(const std::string& name, int records, const Picture& picture) {
  fs::create_directories(kFolder);
  std::string path = (kFolder / name).string();
  if (fs::exists(path)) return path;
  bench::writeLargeDocument(path, records, picture, benchRecord);
  return path;
}

void copyFile(const std::string& from, const std::string& to, bool flush) {
  int in = ::open(from.c_str(), O_RDONLY);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char> buffer(kMoveChunkBytes);
  for (ssize_t got; (got = ::read(in, buffer.data(), buffer.size())) > 0;) (void)!::write(out, buffer.data(), static_cast<std::size_t>(got));
  if (flush) ::fsync(out);
  ::close(in);
  ::close(out);
}

void LoadLargestDocument(benchmark::State& state) {
  std::string path = makeDocument("largest.qlm", kMaxRecordsInFile, pictureOf(1, 1));
  for (auto _ : state) {
    RecordDocument document;
    document.setPath(path);
    LoadResult loaded = document.load();
    if (!loaded.opened || document.count() != kMaxRecordsInFile) state.SkipWithError("load failed");
  }
}
BENCHMARK(LoadLargestDocument)->Unit(benchmark::kMillisecond);

void AppendOneRecord(benchmark::State& state) {
  std::string path = makeDocument("append.qlm", 100, pictureOf(400, 300));
  Snapshot snapshot;
  snapshot.setCapture(pictureOf(400, 300));
  RecordImage record = benchRecord(0);
  for (auto _ : state) {
    std::string where = path;
    if (!snapshot.appendRecord(where, record)) state.SkipWithError("append failed");
  }
}
BENCHMARK(AppendOneRecord)->Unit(benchmark::kMillisecond);

// The peer: the same bytes written in place with no flush and no journal.
void AppendOneRecordUnprotected(benchmark::State& state) {
  std::string path = makeDocument("append-plain.qlm", 100, pictureOf(400, 300));
  std::vector<std::uint8_t> block(benchRecord(0).bytes().begin(), benchRecord(0).bytes().end());
  std::vector<std::uint8_t> picture = bmpFileBytes(pictureOf(400, 300));
  block.insert(block.end(), picture.begin(), picture.end());
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_RDWR);
    std::vector<std::uint8_t> table(kTableSize);
    (void)!::pread(fd, table.data(), table.size(), 0);
    QlmTable parsed = QlmTable::fromBytes(std::span<const std::uint8_t, kTableSize>(table.data(), kTableSize));
    if (parsed.count() >= kMaxRecordsInFile - 1) parsed.setCount(100);
    std::uint32_t end = parsed.endOfData();
    (void)!::pwrite(fd, block.data(), block.size(), end);
    QlmTable next = parsed.withAppended(end + static_cast<std::uint32_t>(block.size()));
    (void)!::pwrite(fd, next.bytes().data(), next.bytes().size(), 0);
    ::close(fd);
  }
}
BENCHMARK(AppendOneRecordUnprotected)->Unit(benchmark::kMillisecond);

// 200 records of a 1 MB picture.
std::string largeFile() { return makeDocument("large.qlm", 200, pictureOf(512, 512)); }

void DeleteFirstRecordOf200MB(benchmark::State& state) {
  std::string master = largeFile();
  std::string work = (kFolder / "delete.qlm").string();
  for (auto _ : state) {
    state.PauseTiming();
    copyFile(master, work, true);  // flushed, so that its write-back is not charged to the delete
    state.ResumeTiming();
    if (!Snapshot().deleteRecord(work, 0)) state.SkipWithError("delete failed");
  }
}
BENCHMARK(DeleteFirstRecordOf200MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void CopyWithCp200MB(benchmark::State& state) {
  std::string master = largeFile();
  std::string command = "cp '" + master + "' '" + (kFolder / "cp.qlm").string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  }
}
BENCHMARK(CopyWithCp200MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void CopyLoopFlushed200MB(benchmark::State& state) {
  std::string master = largeFile();
  for (auto _ : state) copyFile(master, (kFolder / "loop.qlm").string(), true);
}
BENCHMARK(CopyLoopFlushed200MB)->Unit(benchmark::kMillisecond)->Iterations(3);

struct RemoveFolder {
  ~RemoveFolder() { fs::remove_all(kFolder); }
} removeFolder;

}  // namespace
