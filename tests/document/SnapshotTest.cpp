#include "document/Snapshot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "HandBuilt.h"

namespace qlm {
namespace {

using testing::Bytes;

Picture solidPicture(int w, int h, std::uint8_t fill) {
  return {w, h, 32, Bytes(static_cast<std::size_t>(w * h * 4), fill)};
}

std::vector<std::string> instructions(const std::string& path) {
  Snapshot reader;
  std::vector<std::string> texts;
  if (!reader.openForReading(path)) return {"cannot open: " + reader.message()};
  for (int i = 0; i < reader.count(); ++i) {
    texts.push_back(reader.readRecord(i) == 0 ? reader.record().text(TextField::Instruction) : "damaged");
  }
  return texts;
}

class SnapshotFile : public ::testing::Test {
 protected:
  void makeFile(const std::vector<std::string>& texts, const std::vector<int>& order = {}) {
    testing::writeFile(path, testing::handDocument(texts, {}, order));
  }
  testing::TempFolder folder;
  std::string path = folder.file("doc.qlm");
};

// An empty file becomes an empty document; appends number their records.
TEST_F(SnapshotFile, AppendWritesRecordPictureAndIndexByteForByte) {
  testing::writeFile(path, {});
  Snapshot snapshot;
  std::string where = path;
  ASSERT_TRUE(snapshot.beginAppend(where));
  ASSERT_TRUE(snapshot.finishAppend());
  EXPECT_EQ(testing::readFile(path), testing::handFile({}));
  for (int i : {0, 1}) {
    snapshot.setCapture(solidPicture(2 + i, 3, static_cast<std::uint8_t>(i + 1)));
    ASSERT_TRUE(snapshot.appendRecord(where, testing::handRecordImage(i == 0 ? "one" : "two")));
  }
  EXPECT_EQ(where, path);
  EXPECT_EQ(testing::readFile(path), testing::handDocument({"one", "two"}, {0, 1}));
}

TEST_F(SnapshotFile, ReadsAFileWrittenByHandInAnyBlockOrder) {
  makeFile({"a", "b", "c"}, {2, 0, 1});
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(path));
  ASSERT_EQ(reader.count(), 3);
  ASSERT_EQ(reader.readRecord(1), 0);
  ASSERT_TRUE(reader.readPicture(true));
  EXPECT_EQ(std::tuple(reader.record().text(TextField::Instruction), reader.recordDateText(), reader.captureWidth(),
                       reader.capture().pixels),
            std::tuple("b", "14/03/2026  09:15 02s", 3, Bytes(36, 2)));
  EXPECT_EQ(std::pair(reader.readRecord(3), reader.readRecord(-1)), std::pair(1, 1));
}

TEST_F(SnapshotFile, WrongFormatNamesBothVersionsAndTheFile) {
  Bytes file = testing::handFile({});
  std::memcpy(file.data(), "QLM0002", 7);
  testing::writeFile(path, file);
  Snapshot reader;
  EXPECT_FALSE(reader.openForReading(path));
  EXPECT_EQ(reader.message(), "Quillmote Version :QLM0001\nFormat du fichier " + path +
                                  " incompatible, \npour l'ouvrir utilisez une version QLM0002.x disponible sur "
                                  "https://quillmote.example.org");
  std::memcpy(file.data(), "QLM0001.19990101", 16);
  testing::writeFile(path, file);
  EXPECT_TRUE(reader.openForReading(path));
}

TEST_F(SnapshotFile, DeleteCutsTheFileAndShiftsTheIndex) {
  makeFile({"a", "b", "c"}, {0, 2, 1});  // c's block lies before b's
  ASSERT_TRUE(Snapshot().deleteRecord(path, 2));
  EXPECT_EQ(testing::readFile(path), testing::handDocument({"a", "b", "c"}, {0, 1}));
  ASSERT_TRUE(Snapshot().deleteRecord(path, 1));  // last in list and in the file
  EXPECT_EQ(testing::readFile(path), testing::handDocument({"a", "b", "c"}, {0}));
}

TEST_F(SnapshotFile, MoveRewritesOnlyTheIndex) {
  const std::vector<std::string> texts{"a", "b", "c", "d"};
  makeFile(texts);
  ASSERT_TRUE(Snapshot().moveRecord(path, 0, 2));
  EXPECT_EQ(testing::readFile(path), testing::handDocument(texts, {1, 2, 0, 3}, {2, 0, 1, 3}));
  ASSERT_TRUE(Snapshot().moveRecord(path, 3, 0));
  EXPECT_EQ(testing::readFile(path), testing::handDocument(texts, {3, 1, 2, 0}, {3, 1, 2, 0}));
  // To itself or outside: the file stays as it is.
  makeFile({"a", "b"});
  Bytes before = testing::readFile(path);
  struct Case {
    int from, to;
    const char* message;
  };
  for (auto [from, to, message] : {Case{1, 1, ""}, {-1, 0, "no line 0"}, {0, 2, "no line 3"}, {5, 0, "no line 6"}}) {
    SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
    Outcome moved = Snapshot().moveRecord(path, from, to);
    EXPECT_EQ(bool(moved), *message == 0);
    EXPECT_NE(moved.message.find(message), std::string::npos) << moved.message;
    EXPECT_EQ(testing::readFile(path), before);
  }
}

// The copy keeps the number of its source.
TEST_F(SnapshotFile, DuplicateAppendsTheBlockAndInsertsItsEntry) {
  makeFile({"a", "b", "c"});
  ASSERT_TRUE(Snapshot().duplicateRecord(path, 2, 0));
  EXPECT_EQ(testing::readFile(path), testing::handDocument({"a", "b", "c"}, {2, 0, 1, 2}, {1, 2, 3, 0}));
}

TEST_F(SnapshotFile, RewriteChangesRecordsAndLeavesPicturesAndIndex) {
  makeFile({"a", "b"});
  std::vector<RecordEdit> edits = testing::loadedRecords(path);
  edits[0].record = testing::handRecordImage("A");
  edits[1].record = testing::handRecordImage("B");
  ASSERT_TRUE(Snapshot().writeRecords(path, edits));
  EXPECT_EQ(testing::readFile(path), testing::handFile({testing::block(testing::handRecord(0, "A"), testing::handPicture(2, 3, 1)),
                                                        testing::block(testing::handRecord(0, "B"), testing::handPicture(3, 3, 2))}));
}

// A small threshold stands in for 1.5 GB: appends roll over, other changes stay.
TEST_F(SnapshotFile, LargeFilesMakeOnlyAppendsGoToARolloverFile) {
  makeFile({"a", "b"});
  std::vector<RecordEdit> edits = testing::loadedRecords(path);
  edits[0].record = testing::handRecordImage("A");
  edits[1].record = testing::handRecordImage("B");
  Snapshot snapshot;
  snapshot.setRolloverBytes(1000);
  EXPECT_TRUE(snapshot.writeRecords(path, edits));
  EXPECT_TRUE(snapshot.duplicateRecord(path, 1, 0));
  EXPECT_TRUE(snapshot.deleteRecord(path, 2));
  EXPECT_EQ(instructions(path), (std::vector<std::string>{"B", "A"}));
  EXPECT_FALSE(std::filesystem::exists(folder.file("docx.qlm")));
  snapshot.setRolloverBytes(161000);  // above an empty document, below this one
  snapshot.setCapture(solidPicture(1, 1, 0));
  std::string where = path;
  ASSERT_TRUE(snapshot.appendRecord(where, testing::handRecordImage("next")));
  EXPECT_EQ(where, folder.file("docx.qlm"));
  EXPECT_EQ(instructions(where), (std::vector<std::string>{"next"}));
  EXPECT_EQ(instructions(path), (std::vector<std::string>{"B", "A"}));
}
TEST_F(SnapshotFile, RefusesTheRecordAfterTheLastThatFits) {
  // 39,999 bare records, sparse on disk.
  Bytes table = testing::handFile({});
  testing::put32(table, 24, 39999);
  for (std::uint32_t i = 0; i <= 39999; ++i) testing::put32(table, 32 + 4 * i, 160032 + i * 2652);
  testing::writeFile(path, table);
  ASSERT_EQ(::truncate(path.c_str(), 160032 + 39999ll * 2652), 0);
  Snapshot snapshot;
  snapshot.setCapture(solidPicture(1, 1, 0));
  std::string where = path;
  Outcome saved = snapshot.appendRecord(where, testing::handRecordImage("one too many"));
  EXPECT_TRUE(!saved && saved.message.find("39999 records") != std::string::npos) << saved.message;
  EXPECT_EQ(std::filesystem::file_size(path), 160032 + 39999ull * 2652);
  EXPECT_EQ(testing::readHead(path, 160032), table);
}

TEST_F(SnapshotFile, WriterWaitsForAReaderAndReadersShareTheFile) {
  makeFile({"a"});
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(path));
  Snapshot second;
  EXPECT_TRUE(second.openForReading(path));
  int fd = ::open(path.c_str(), O_RDONLY);
  EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
  reader.closeReading();
  second.closeReading();
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ::close(fd);
}

}  // namespace
}  // namespace qlm
