// Several qlm processes change one document at once; the result must be
// that of the same changes made one after another.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "PictureFile.h"
#include "document/Snapshot.h"

namespace {

namespace fs = std::filesystem;
using qlm::Snapshot;
using qlm::TextField;

constexpr int kSeconds = 4;

// Each record's picture is as wide as the number in its name, so that a
// record paired with another one's picture shows.
void writePicture(const std::string& path, int width) {
  const auto value = static_cast<std::uint8_t>(width);
  qlm::testing::writePictureFile(path, width, 1, {value, value, value, value});
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

class ConcurrentChanges : public ::testing::Test {
 protected:
  void SetUp() override {
    // In memory where there is such a folder: flushes cost nothing there, so
    // many more changes meet in the few seconds.
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "qlm-hammer-XXXXXX").string();
    m_folder = ::mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(m_folder); }
  std::string file(const std::string& name) const { return (m_folder / name).string(); }

  fs::path m_folder;
};

// Each record's instruction names it, and its picture is as wide as the
// number in that name ("T", 7 wide, has play 0: only its copies can be
// deleted). Lines 1 to 3 only ever take values, so that each must end with
// the last value set on it; every other change happens behind them.
TEST_F(ConcurrentChanges, EveryInterleavingGivesTheResultOfSomeSerialOrder) {
  std::string doc = file("doc.qlm");
  std::string tool = QLM_BINARY;
  std::string setup = tool + " new " + doc;
  for (int k = 1; k <= 7; ++k) {
    std::string name = k == 7 ? "T" : "R" + std::to_string(k);
    writePicture(file(name + ".bmp"), k);
    setup += " && " + tool + " append " + doc + " --kind K --text '\"" + name + "\"' --picture " + file(name + ".bmp") +
             " >/dev/null";
  }
  setup += " && " + tool + " set " + doc + " 7 play=0";
  ASSERT_EQ(std::system(setup.c_str()), 0);

  // One shell loop per writer; a writer notes each value it set successfully.
  std::string q = tool + " ";
  std::string loop = "end=$(($(date +%s)+" + std::to_string(kSeconds) + ")); n=0; while [ $(date +%s) -lt $end ]; do n=$((n+1)); ";
  std::string quiet = " >/dev/null 2>&1";
  std::string script =
      "cd " + m_folder.string() + "; " +
      "(" + loop + "l=$((n%2+1)); if " + q + "set " + doc + " $l comment=A$n" + quiet + "; then echo A$n >comment$l; fi; done) & " +
      "(" + loop + "l=$((n%2+2)); if " + q + "set " + doc + " $l process=B$n" + quiet + "; then echo B$n >process$l; fi; done) & " +
      "(" + loop + q + "move " + doc + " $((n%4+4)) $((n*3%5+4))" + quiet + "; done) & " +
      "(" + loop + q + "move " + doc + " $((n%3+5)) 4" + quiet + "; done) & " +
      "(" + loop + q + "duplicate " + doc + " $((n%7+1)) 4" + quiet + "; " + q + "delete " + doc + " $((n%5+4))" + quiet +
      "; done) & " +
      "(" + loop + q + "append " + doc + " --kind K --text '\"R3\"' --picture " + file("R3.bmp") + quiet + "; " + q +
      "check " + doc + " >check.out 2>&1 || cat check.out >>checks; done) & " +
      "wait";
  ASSERT_EQ(std::system(("sh -c '" + [&] {
                           std::string quoted;
                           for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
                           return quoted;
                         }() + "'").c_str()),
            0);

  EXPECT_FALSE(fs::exists(file("checks"))) << "check failed while the others wrote: " << slurp(file("checks"));
  Snapshot reader;
  ASSERT_TRUE(reader.openForReading(doc)) << reader.message();
  for (int i = 0; i < reader.count(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    ASSERT_EQ(reader.readRecord(i), 0) << reader.message();
    std::string name = reader.record().text(TextField::Instruction);
    ASSERT_TRUE(reader.readPicture(true)) << reader.message();
    int width = name == "\"T\"" ? 7 : name.size() == 4 ? name[2] - '0' : 0;
    EXPECT_EQ(reader.captureWidth(), width) << name << " holds another record's picture";
    for (auto [field, label] : {std::pair{TextField::Comment, "comment"}, {TextField::Process, "process"}}) {
      std::string last = slurp(file(label + std::to_string(i + 1)));
      if (!last.empty()) {
        EXPECT_EQ(reader.record().text(field), last) << "the last " << label << " set was lost";
      }
    }
  }
  for (const char* written : {"comment1", "comment2", "process2", "process3"}) {
    EXPECT_TRUE(fs::exists(file(written))) << written << " was never set";
  }
}

}  // namespace
