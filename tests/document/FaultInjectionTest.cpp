// Every change to a document file, with the n-th write or the n-th flush
// failing for every n, must leave a file that opens and holds either the
// whole old document or the whole new one.
#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FaultyFileSystem.h"
#include "HandBuilt.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using testing::Bytes;
using ::testing::AnyOf;
using testing::FaultPlan;
using testing::FaultyFileSystem;

// What a reader sees: per record its instruction and picture, or why it could not.
std::vector<std::string> contents(const std::string& path) {
  Snapshot reader;
  if (!reader.openForReading(path)) return {"unreadable: " + reader.message()};
  std::vector<std::string> seen;
  for (int i = 0; i < reader.count(); ++i) {
    if (reader.readRecord(i) != 0 || !reader.readPicture(true)) return {"damaged: " + reader.message()};
    seen.push_back(reader.record().text(TextField::Instruction) + "/" + std::to_string(reader.captureWidth()) + "/" +
                   std::to_string(reader.capture().pixels.front()));
  }
  return seen;
}

struct Files {
  FileSystem& fs;
  const std::string &path, &other;
};

struct Case {
  const char* name;
  std::function<Outcome(const Files&)> run;
  bool checksOther;  // the result is the second file (Save As)
};

const Case kCases[] = {
    {"append",
     [](const Files& f) {
       Snapshot snapshot(f.fs);
       snapshot.setCapture(Picture{9, 2, 32, Bytes(9 * 2 * 4, 77)});
       std::string where = f.path;
       return snapshot.appendRecord(where, testing::handRecordImage("appended"));
     },
     false},
    {"rewrite",
     [](const Files& f) {
       std::vector<RecordEdit> edits = testing::loadedRecords(f.path);
       edits.erase(edits.begin() + 1);
       edits.at(0).record = testing::handRecordImage("A");
       edits.at(1).record = testing::handRecordImage("C");
       return Snapshot(f.fs).writeRecords(f.path, edits);
     },
     false},
    {"delete", [](const Files& f) { return Snapshot(f.fs).deleteRecord(f.path, 1); }, false},
    {"move", [](const Files& f) { return Snapshot(f.fs).moveRecord(f.path, 0, 2); }, false},
    {"duplicate", [](const Files& f) { return Snapshot(f.fs).duplicateRecord(f.path, 2, 1); }, false},
    {"save as", [](const Files& f) { return Snapshot(f.fs).copyDocument(f.path, f.other); }, true},
};

struct Mode {
  const char* name;
  bool flush, crash;
};

constexpr Mode kModes[] = {{"write", false, false}, {"flush", true, false}, {"write, dying", false, true},
                           {"flush, dying", true, true}};

class FaultInjection : public ::testing::TestWithParam<Case> {
 protected:
  void makeOriginal(const std::string& path) { testing::writeFile(path, testing::handDocument({"a", "b", "c"}, {}, {1, 0, 2})); }

  testing::TempFolder folder;
};

TEST_P(FaultInjection, EveryFailureLeavesTheOldOrTheNewDocument) {
  const Case& operation = GetParam();
  std::string path = folder.file("doc.qlm");
  std::string other = folder.file("copy.qlm");

  makeOriginal(path);
  std::vector<std::string> before = contents(path);
  ASSERT_TRUE(operation.run({systemFileSystem(), path, other}));
  std::vector<std::string> after = contents(operation.checksOther ? other : path);
  std::vector<std::string> absent = {"unreadable: Cannot open " + other + ": " + other + ": No such file or directory"};
  ASSERT_NE(operation.checksOther ? absent : before, after);

  for (const Mode& mode : kModes) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(operation.name) + ", " + mode.name + " " + std::to_string(n));
      for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path() != path) std::filesystem::remove(entry.path());
      }
      makeOriginal(path);
      Bytes original = testing::readFile(path);
      FaultyFileSystem faulty(FaultPlan{mode.flush ? 0 : n, mode.flush ? n : 0, mode.crash});
      Outcome result = operation.run({faulty, path, other});
      if (!faulty.faulted()) {
        EXPECT_TRUE(result);
        break;
      }
      ASSERT_LT(n, 200) << "the fault never ends the operation";

      std::vector<std::string> seen = contents(operation.checksOther ? other : path);
      std::vector<std::string> old = operation.checksOther ? absent : before;
      EXPECT_TRUE(seen == old || seen == after) << (seen.empty() ? "empty" : seen.front());
      if (result) {
        EXPECT_EQ(seen, after);
      } else if (!mode.crash) {
        EXPECT_EQ(testing::readFile(path), original) << "a failed change leaves the file byte for byte";
      }
      if (!operation.checksOther) {
        EXPECT_EQ(contents(path), seen) << "a second reader sees the same";
        // The next writer repairs what the stopped one left, and the file stays as the reader saw it.
        Snapshot writer;
        std::string where = path;
        ASSERT_TRUE(writer.beginAppend(where)) << writer.message();
        writer.finishAppend();
        EXPECT_EQ(contents(path), seen);
        EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
      } else {
        EXPECT_EQ(contents(path), before);
      }
      // A failed removal may leave the temporary file; nothing else may.
      if (!mode.crash && mode.flush) {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
          EXPECT_THAT(entry.path().filename().string(), AnyOf("doc.qlm", "copy.qlm")) << "left behind";
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryChange, FaultInjection, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return testing::caseName(info.param.name); });

}  // namespace
}  // namespace qlm
