// Damaged and hostile document files: the reader names the file and the
// damaged line, keeps the other lines readable, allocates no more than the
// file could hold, and writers leave such files alone.
#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "HandBuilt.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using testing::Bytes;
using ::testing::AllOf;
using ::testing::HasSubstr;

Bytes threeRecords() { return testing::handDocument({"r0", "r1", "r2"}); }

std::size_t blockStart(const Bytes& file, int i) { return testing::get32(file, 32 + 4 * static_cast<std::size_t>(i)); }

struct Damage {
  const char* name;
  std::function<void(Bytes&)> apply;
  int damagedLine;      // 1-based; 0: the file does not open
  bool pictureOnly;     // the record reads, its picture does not
  const char* message;  // part of the message
};

void setPictureField(Bytes& file, int line, std::size_t offset, std::uint32_t value) {
  testing::put32(file, blockStart(file, line - 1) + 2652 + offset, value);
}

const Damage kDamages[] = {
    {"count beyond capacity", [](Bytes& f) { testing::put32(f, 24, 40001); }, 0, false, "record count 40001"},
    {"negative count", [](Bytes& f) { testing::put32(f, 24, 0xFFFFFFFF); }, 0, false, "record count -1"},
    {"index cut short", [](Bytes& f) { f.resize(1000); }, 0, false, "index is cut short"},
    {"shorter than the header", [](Bytes& f) { f.resize(20); }, 0, false, "too short"},
    {"entry past the end", [](Bytes& f) { testing::put32(f, 36, 0x7FFFFFF0); }, 2, false, "past the end"},
    {"entry into the header", [](Bytes& f) { testing::put32(f, 36, 100); }, 2, false, "into the header"},
    {"last record cut short", [](Bytes& f) { f.resize(blockStart(f, 2) + 1000); }, 3, false, "cut short"},
    {"picture missing", [](Bytes& f) { f.resize(blockStart(f, 2) + 2652 + 10); }, 3, true, "picture is missing"},
    {"giant picture", [](Bytes& f) { setPictureField(f, 2, 18, 100000), setPictureField(f, 2, 22, 100000); }, 2, true,
     "more bytes than its block"},
    {"widest picture", [](Bytes& f) { setPictureField(f, 1, 18, 0x7FFFFFFF), setPictureField(f, 1, 22, 0x7FFFFFFF); }, 1,
     true, "more bytes than its block"},
    {"negative height", [](Bytes& f) { setPictureField(f, 1, 22, 0xFFFFFFFE); }, 1, true, "2 x -2"},
    {"odd depth", [](Bytes& f) { setPictureField(f, 3, 28, 7); }, 3, true, "bits per pixel 7"},
    {"pixel count lies", [](Bytes& f) { setPictureField(f, 3, 34, 12); }, 3, true, "pixel byte count"},
    {"not a bitmap", [](Bytes& f) { setPictureField(f, 2, 0, 0); }, 2, true, "BM"},
};

class DamagedFile : public ::testing::TestWithParam<Damage> {
 protected:
  testing::TempFolder folder;
  std::string path = folder.file("damaged.qlm");
};

// Writers leave a damaged index as it is.
TEST_P(DamagedFile, IsReportedWithItsLineAndTheRestStaysReadable) {
  const Damage& damage = GetParam();
  Bytes file = threeRecords();
  damage.apply(file);
  testing::writeFile(path, file);
  if (!damage.pictureOnly) {
    EXPECT_FALSE(Snapshot().deleteRecord(path, 0));
    EXPECT_FALSE(Snapshot().duplicateRecord(path, 0, 0));
    EXPECT_FALSE(Snapshot().moveRecord(path, 0, 1));
    EXPECT_EQ(testing::readFile(path), file);
  }

  Snapshot reader;
  bool opened = reader.openForReading(path);
  if (damage.damagedLine == 0) {
    EXPECT_FALSE(opened);
    EXPECT_THAT(reader.message(), AllOf(HasSubstr(path), HasSubstr(damage.message)));
    return;
  }
  ASSERT_TRUE(opened) << reader.message();
  for (int line = 1; line <= 3; ++line) {
    SCOPED_TRACE(line);
    bool readable = reader.readRecord(line - 1) == 0 && reader.readPicture(false);
    if (line != damage.damagedLine) {
      EXPECT_TRUE(readable) << reader.message();
      EXPECT_EQ(reader.record().text(TextField::Instruction), "r" + std::to_string(line - 1));
      continue;
    }
    EXPECT_FALSE(readable);
    EXPECT_THAT(reader.message(),
                AllOf(HasSubstr(path), HasSubstr("line " + std::to_string(line)), HasSubstr(damage.message)));
    EXPECT_TRUE(!damage.pictureOnly || reader.readRecord(line - 1) == 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedFile, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return testing::caseName(info.param.name); });

TEST(DamagedFile, TwoEntriesOnOneBlockReadButAreNotChanged) {
  testing::TempFolder folder;
  std::string path = folder.file("twice.qlm");
  Bytes file = threeRecords();
  testing::put32(file, 36, static_cast<std::uint32_t>(blockStart(file, 0)));
  testing::writeFile(path, file);
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(path));
  ASSERT_EQ(reader.readRecord(1), 0);
  EXPECT_EQ(reader.record().text(TextField::Instruction), "r0");
  reader.closeReading();
  Outcome refused = Snapshot().deleteRecord(path, 0);
  EXPECT_NE(refused.message.find("same block"), std::string::npos) << refused.message;
}

// Files the fuzzer found; each must be read to its end without a crash.
TEST(DamagedFile, FilesFoundByFuzzingAreReadSafely) {
  std::filesystem::path folder = std::filesystem::path(QLM_TEST_DATA_DIR) / "corrupt";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".qlm") continue;
    SCOPED_TRACE(entry.path().string());
    ++files;
    Snapshot reader;
    if (!reader.openForReading(entry.path().string())) {
      EXPECT_FALSE(reader.message().empty());
      continue;
    }
    for (int i = 0; i < reader.count(); ++i) {
      if (reader.readRecord(i) == 0 && !reader.readPicture(false)) {
        EXPECT_FALSE(reader.message().empty());
      }
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace qlm
