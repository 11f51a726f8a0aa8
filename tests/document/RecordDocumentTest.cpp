#include "document/RecordDocument.h"

#include <gtest/gtest.h>

#include "HandBuilt.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using testing::Bytes;

class RecordDocumentFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<Bytes> blocks;
    for (int i = 0; i < 3; ++i) {
      Bytes record = testing::handRecord(i, "r" + std::to_string(i), i == 1 ? "Not checked" : "2_0_3");
      record[2639] = i == 2 ? 0 : 1;  // the last one is not played
      blocks.push_back(testing::block(record, testing::handPicture(1, 1, 0)));
    }
    testing::writeFile(path, testing::handFile(blocks, {2, 1, 0}));
    document.setPath(path);
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> all;
    for (int i = 0; i < document.count(); ++i) all.push_back(document.record(i).text(TextField::Instruction));
    return all;
  }

  testing::TempFolder folder;
  std::string path = folder.file("doc.qlm");
  RecordDocument document;
};

TEST_F(RecordDocumentFile, IsBusyUntilLoadedKnowsWhereEachPictureStartsAndLoadsNothingMissing) {
  EXPECT_TRUE(document.busy());
  EXPECT_FALSE(document.setRecord(0, RecordImage()));
  ASSERT_TRUE(document.load().opened);
  EXPECT_FALSE(document.busy());
  EXPECT_EQ(document.currentRecord(), -1);
  EXPECT_EQ(texts(), (std::vector<std::string>{"r0", "r1", "r2"}));
  Bytes file = testing::readFile(path);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(document.position(i), testing::get32(file, 32 + 4 * i) + 2652u);
  // Short paths save nothing; missing files load nothing.
  document.setPath("a.ql");
  EXPECT_TRUE(document.save());
  document.setPath(folder.file("missing.qlm"));
  LoadResult loaded = document.load();
  EXPECT_FALSE(loaded.opened);
  EXPECT_NE(loaded.message.find("missing.qlm"), std::string::npos);
  EXPECT_EQ(document.count(), 0);
  EXPECT_FALSE(document.busy());
}

TEST_F(RecordDocumentFile, SaveRetagsOlderRecordsAfterTheirWindowWasReset) {
  ASSERT_TRUE(document.load().opened);
  EXPECT_EQ(std::pair(document.record(1).window().width, document.record(0).window().width), std::pair(100, 640));
  ASSERT_TRUE(document.save());
  const RecordImage saved = testing::loadedRecords(path).at(1).record;
  EXPECT_EQ(std::tuple(saved.text(TextField::LayoutTag), saved.window().valid, saved.window().x, saved.window().width,
                       saved.window().height),
            std::tuple("2_0_3", 0, 0, 100, 100));
}

TEST_F(RecordDocumentFile, DeleteIsRefusedForPlayedRecordsShiftsTheTableAndKeepsTheCurrentRecordInRange) {
  ASSERT_TRUE(document.load().opened);
  document.setCurrentRecord(0);
  EXPECT_EQ(document.deleteRecord().message, "In order to delete this record you must disable the play flag.");
  EXPECT_EQ(document.count(), 3);
  document.setCurrentRecord(2);
  ASSERT_TRUE(document.deleteRecord());
  EXPECT_EQ(texts(), (std::vector<std::string>{"r0", "r1"}));
  EXPECT_EQ(document.currentRecord(), 1);
  EXPECT_EQ(document.record(1).get(IntField::Number), 1);  // numbers are not renumbered
  EXPECT_EQ(document.position(1), testing::get32(testing::readFile(path), 32 + 4) + 2652u);
}

TEST_F(RecordDocumentFile, EditsAreSavedBeforeMovingAndDuplicating) {
  ASSERT_TRUE(document.load().opened);
  RecordImage edited = document.record(0);
  edited.setText(TextField::Instruction, "edited");
  ASSERT_TRUE(document.setRecord(0, edited));
  document.setCurrentRecord(1);
  ASSERT_TRUE(document.moveRecord(0, 2));
  EXPECT_EQ(texts(), (std::vector<std::string>{"r1", "r2", "edited"}));
  ASSERT_TRUE(document.duplicateRecord(2, 0));
  EXPECT_EQ(texts(), (std::vector<std::string>{"edited", "r1", "r2", "edited"}));
  EXPECT_EQ(document.currentRecord(), 1);
  EXPECT_FALSE(document.busy());
}

// The document stays open while other programs change the file: a save
// writes only its own edits, each onto its own record wherever it moved, and
// refuses a record that another program changed as well.
TEST_F(RecordDocumentFile, SavesItsOwnEditsBesideChangesByOtherPrograms) {
  ASSERT_TRUE(document.load().opened);
  ASSERT_TRUE(document.save());  // r1 retagged: nothing left to save
  ASSERT_TRUE(Snapshot().moveRecord(path, 0, 2));
  ASSERT_TRUE(Snapshot().deleteRecord(path, 0));  // r1, whose block lies before r0's
  ASSERT_TRUE(Snapshot().updateRecord(path, 0, [](RecordImage& record) {  // r2
    record.setText(TextField::Comment, "theirs");
    return Outcome::success();
  }));
  RecordImage edited = document.record(0);
  edited.setText(TextField::Comment, "mine");
  ASSERT_TRUE(document.setRecord(0, edited));
  ASSERT_TRUE(document.save());

  std::vector<std::string> comments;
  for (const RecordEdit& edit : testing::loadedRecords(path)) comments.push_back(edit.record.text(TextField::Comment));
  EXPECT_EQ(comments, (std::vector<std::string>{"theirs", "mine"}));

  edited = document.record(2);
  edited.setText(TextField::Comment, "mine too");
  ASSERT_TRUE(document.setRecord(2, edited));
  Bytes before = testing::readFile(path);
  Outcome refused = document.save();
  EXPECT_EQ(refused.message, "Line 3 of " + path + " was changed or removed by another program; reload the document.");
  EXPECT_EQ(testing::readFile(path), before);
}

TEST_F(RecordDocumentFile, SaveAsCopiesAndRefusesAnotherExistingFile) {
  ASSERT_TRUE(document.load().opened);
  std::string taken = folder.file("taken.qlm");
  testing::writeFile(taken, {9});
  Outcome refused = document.saveAs(taken);
  EXPECT_EQ(refused.message, "The file " + taken + " already exists; choose another name.");
  EXPECT_EQ(document.path(), path);
  EXPECT_EQ(testing::readFile(taken), Bytes{9});

  std::string copy = folder.file("copy.qlm");
  RecordImage edited = document.record(2);
  edited.setText(TextField::Comment, "only in the copy? no, in both");
  ASSERT_TRUE(document.setRecord(2, edited));
  ASSERT_TRUE(document.saveAs(copy));
  EXPECT_EQ(document.path(), copy);
  EXPECT_EQ(testing::readFile(copy), testing::readFile(path));
  RecordDocument reread;
  reread.setPath(copy);
  ASSERT_TRUE(reread.load().opened);
  EXPECT_EQ(reread.record(2).text(TextField::Comment), "only in the copy? no, in both");
  EXPECT_TRUE(document.saveAs(copy));  // onto itself: a plain save
}

TEST_F(RecordDocumentFile, DamagedLinesAreReportedAndNeverWrittenBack) {
  Bytes file = testing::readFile(path);
  testing::put32(file, 32 + 4, static_cast<std::uint32_t>(file.size() + 100));
  testing::writeFile(path, file);
  LoadResult loaded = document.load();
  ASSERT_TRUE(loaded.opened);
  ASSERT_EQ(loaded.damagedLines.size(), 1u);
  EXPECT_NE(loaded.damagedLines[0].find("line 2"), std::string::npos);
  EXPECT_TRUE(document.damaged(1));
  EXPECT_EQ(document.record(2).text(TextField::Instruction), "r2");
  EXPECT_FALSE(document.save());
  EXPECT_EQ(testing::readFile(path), file);
}

}  // namespace
}  // namespace qlm
