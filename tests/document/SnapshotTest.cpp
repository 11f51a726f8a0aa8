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
  Picture picture;
  picture.width = w;
  picture.height = h;
  picture.pixels.assign(picture.pixelBytes(), fill);
  return picture;
}

// Every record as read, ready to be changed and written back.
std::vector<RecordEdit> loadedRecords(const std::string& path) {
  Snapshot reader;
  std::vector<RecordEdit> edits;
  if (!reader.openForReading(path)) return edits;
  for (int i = 0; reader.readRecord(i) == 0; ++i) {
    edits.push_back({i, {reader.table().entry(i), reader.record().bytes()}, reader.record()});
  }
  return edits;
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

Bytes pictureOf(int i) { return testing::handPicture(2 + i, 3, static_cast<std::uint8_t>(i + 1)); }

// The blocks of a file made by makeFile, picked in list order; `fileOrder` as for handFile.
Bytes fileOf(const std::vector<std::string>& texts, const std::vector<int>& list, const std::vector<int>& fileOrder = {}) {
  std::vector<Bytes> blocks;
  for (int i : list) blocks.push_back(testing::block(testing::handRecord(i, texts[i]), pictureOf(i)));
  return testing::handFile(blocks, fileOrder);
}

class SnapshotFile : public ::testing::Test {
 protected:
  void makeFile(const std::vector<std::string>& texts, const std::vector<int>& order = {}) {
    std::vector<int> list;
    for (std::size_t i = 0; i < texts.size(); ++i) list.push_back(static_cast<int>(i));
    testing::writeFile(path, fileOf(texts, list, order));
  }
  testing::TempFolder folder;
  std::string path = folder.file("doc.qlm");
};

TEST_F(SnapshotFile, EmptyFileBecomesAnEmptyDocument) {
  testing::writeFile(path, {});
  Snapshot snapshot;
  std::string where = path;
  ASSERT_TRUE(snapshot.beginAppend(where));
  ASSERT_TRUE(snapshot.finishAppend());
  EXPECT_EQ(testing::readFile(path), testing::handFile({}));
}

TEST_F(SnapshotFile, AppendWritesRecordPictureAndIndexByteForByte) {
  makeFile({"\"one\""});
  RecordImage record = testing::handRecordImage("\"two\"");
  Snapshot snapshot;
  snapshot.setCapture(solidPicture(3, 3, 2));
  std::string where = path;
  ASSERT_TRUE(snapshot.appendRecord(where, record));
  EXPECT_EQ(where, path);

  EXPECT_EQ(testing::readFile(path), fileOf({"\"one\"", "\"two\""}, {0, 1}));
}

TEST_F(SnapshotFile, ReadsAFileWrittenByHandInAnyBlockOrder) {
  makeFile({"a", "b", "c"}, {2, 0, 1});
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(path));
  ASSERT_EQ(reader.count(), 3);
  ASSERT_EQ(reader.readRecord(1), 0);
  EXPECT_EQ(reader.record().text(TextField::Instruction), "b");
  EXPECT_EQ(reader.recordDateText(), "14/03/2026  09:15 02s");
  ASSERT_TRUE(reader.readPicture(true));
  EXPECT_EQ(reader.captureWidth(), 3);
  EXPECT_EQ(reader.capture().pixels, Bytes(36, 2));
  EXPECT_EQ(reader.readRecord(3), 1);
  EXPECT_EQ(reader.readRecord(-1), 1);
}

TEST_F(SnapshotFile, GreyDisplayAveragesTheColoursAndKeepsTheCapture) {
  Bytes picture = testing::handPicture(1, 1, 0);
  picture[54] = 10;
  picture[55] = 20;
  picture[56] = 31;
  picture[57] = 99;
  testing::writeFile(path, testing::handFile({testing::block(testing::handRecord(0, ""), picture)}));
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(path));
  ASSERT_EQ(reader.readRecord(0), 0);
  ASSERT_TRUE(reader.readPicture(false));
  EXPECT_EQ(reader.display().pixels, (Bytes{20, 20, 20, 99}));
  EXPECT_EQ(reader.capture().pixels, (Bytes{10, 20, 31, 99}));
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
  EXPECT_EQ(testing::readFile(path), fileOf({"a", "b", "c"}, {0, 1}));
  ASSERT_TRUE(Snapshot().deleteRecord(path, 1));  // last in list and in the file
  EXPECT_EQ(testing::readFile(path), fileOf({"a", "b", "c"}, {0}));
}

TEST_F(SnapshotFile, MoveRewritesOnlyTheIndex) {
  const std::vector<std::string> texts{"a", "b", "c", "d"};
  makeFile(texts);
  ASSERT_TRUE(Snapshot().moveRecord(path, 0, 2));
  EXPECT_EQ(testing::readFile(path), fileOf(texts, {1, 2, 0, 3}, {2, 0, 1, 3}));
  ASSERT_TRUE(Snapshot().moveRecord(path, 3, 0));
  EXPECT_EQ(testing::readFile(path), fileOf(texts, {3, 1, 2, 0}, {3, 1, 2, 0}));
}

TEST_F(SnapshotFile, MoveToItselfOrOutsideLeavesTheFileAlone) {
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
  EXPECT_EQ(testing::readFile(path), fileOf({"a", "b", "c"}, {2, 0, 1, 2}, {1, 2, 3, 0}));
}

TEST_F(SnapshotFile, RewriteChangesRecordsAndLeavesPicturesAndIndex) {
  makeFile({"a", "b"});
  std::vector<RecordEdit> edits = loadedRecords(path);
  edits[0].record = testing::handRecordImage("A");
  edits[1].record = testing::handRecordImage("B");
  ASSERT_TRUE(Snapshot().writeRecords(path, edits));
  EXPECT_EQ(testing::readFile(path), testing::handFile({testing::block(testing::handRecord(0, "A"), pictureOf(0)),
                                                        testing::block(testing::handRecord(0, "B"), pictureOf(1))}));
}

// Records written back go over the records they were read from, wherever
// other programs moved them, and never over a record changed meanwhile.
TEST_F(SnapshotFile, WrittenRecordsFindTheirOwnBlockOrAreRefused) {
  makeFile({"a", "b", "c", "d"});
  std::vector<RecordEdit> edits = loadedRecords(path);
  ASSERT_TRUE(Snapshot().moveRecord(path, 0, 3));
  ASSERT_TRUE(Snapshot().deleteRecord(path, 1));  // "c": the blocks behind it move down
  std::vector<RecordEdit> mine{edits[0], edits[3]};
  mine[0].record = testing::handRecordImage("A");
  mine[1].record = testing::handRecordImage("D");
  ASSERT_TRUE(Snapshot().writeRecords(path, mine));
  EXPECT_EQ(instructions(path), (std::vector<std::string>{"b", "D", "A"}));

  Bytes before = testing::readFile(path);
  std::vector<RecordEdit> stale{edits[1], edits[2]};
  stale[0].record = testing::handRecordImage("B");
  stale[1].record = testing::handRecordImage("C");  // deleted by another program
  Outcome refused = Snapshot().writeRecords(path, stale);
  EXPECT_NE(refused.message.find("Line 3 of " + path + " was changed or removed by another program"),
            std::string::npos)
      << refused.message;
  EXPECT_EQ(testing::readFile(path), before);
  mine[1].record = testing::handRecordImage("D again");
  mine[0].loaded = edits[0].loaded;  // "A" was written over it
  EXPECT_FALSE(Snapshot().writeRecords(path, mine));
  EXPECT_EQ(testing::readFile(path), before);
}

// A small threshold stands in for 1.5 GB: appends roll over, other changes stay.
TEST_F(SnapshotFile, LargeFilesMakeOnlyAppendsGoToARolloverFile) {
  makeFile({"a", "b"});
  std::vector<RecordEdit> edits = loadedRecords(path);
  edits[0].record = testing::handRecordImage("A");
  edits[1].record = testing::handRecordImage("B");
  Snapshot snapshot;
  snapshot.setRolloverBytes(1000);
  EXPECT_TRUE(snapshot.writeRecords(path, edits));
  EXPECT_TRUE(snapshot.moveRecord(path, 0, 1));
  EXPECT_TRUE(snapshot.duplicateRecord(path, 0, 0));
  EXPECT_TRUE(snapshot.deleteRecord(path, 2));
  EXPECT_EQ(instructions(path), (std::vector<std::string>{"B", "B"}));
  EXPECT_FALSE(std::filesystem::exists(folder.file("docx.qlm")));
  snapshot.setRolloverBytes(161000);  // above an empty document, below this one
  snapshot.setCapture(solidPicture(1, 1, 0));
  std::string where = path;
  ASSERT_TRUE(snapshot.appendRecord(where, testing::handRecordImage("next")));
  EXPECT_EQ(where, folder.file("docx.qlm"));
  EXPECT_EQ(instructions(where), (std::vector<std::string>{"next"}));
  EXPECT_EQ(instructions(path), (std::vector<std::string>{"B", "B"}));
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
  EXPECT_FALSE(saved);
  EXPECT_NE(saved.message.find("39999 records"), std::string::npos);
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

TEST(PictureSlots, CutOutKeepsItsSizeAndCopiesOnlyWhatLiesInside) {
  Snapshot snapshot;
  Picture picture = solidPicture(4, 3, 0);
  picture.rowFromTop(0)[3 * 4] = 9;  // top-right pixel
  snapshot.setCapture(picture);
  ASSERT_TRUE(snapshot.cutPicture(3, -1, 3, 2));
  const Picture& cut = snapshot.cutOut();
  EXPECT_EQ(cut.width, 3);
  EXPECT_EQ(cut.height, 2);
  EXPECT_EQ(cut.rowFromTop(1)[0], 9);
  EXPECT_EQ(cut.rowFromTop(0)[0], 0);
  EXPECT_FALSE(snapshot.cutPicture(0, 0, 0, 5));
}

}  // namespace
}  // namespace qlm
