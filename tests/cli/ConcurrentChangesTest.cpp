// Several qlm processes change one document at once; the result must be
// that of the same changes made one after another.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "PictureFile.h"
#include "QlmRunner.h"
#include "document/Snapshot.h"

namespace {

namespace fs = std::filesystem;
using qlm::Snapshot;
using qlm::TextField;

constexpr int kSeconds = 4;

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
  for (int k = 1; k <= 7; ++k) {
    const auto value = static_cast<std::uint8_t>(k);
    qlm::testing::writePictureFile(file(k == 7 ? "T.bmp" : "R" + std::to_string(k) + ".bmp"), k, 1, {value, value, value, value});
  }
  // One shell loop per writer, each for the same few seconds; a writer notes each value it set successfully.
  std::ofstream(file("hammer.sh")) << R"(q=$1; doc=doc.qlm
$q new $doc || exit 1
for name in R1 R2 R3 R4 R5 R6 T; do $q append $doc --kind K --text "\"$name\"" --picture $name.bmp || exit 1; done
$q set $doc 7 play=0 || exit 1
end=$(($(date +%s)+$2))
each() { n=0; while [ $(date +%s) -lt $end ]; do n=$((n+1)); eval "$1"; done; }
each 'l=$((n%2+1)); if $q set $doc $l comment=A$n; then echo A$n >comment$l; fi' &
each 'l=$((n%2+2)); if $q set $doc $l process=B$n; then echo B$n >process$l; fi' &
each '$q move $doc $((n%4+4)) $((n*3%5+4))' &
each '$q move $doc $((n%3+5)) 4' &
each '$q duplicate $doc $((n%7+1)) 4; $q delete $doc $((n%5+4))' &
each '$q append $doc --kind K --text "\"R3\"" --picture R3.bmp; $q check $doc >check.out 2>&1 || cat check.out >>checks' &
wait
)";
  const std::string command = "cd " + m_folder.string() + " && sh hammer.sh " QLM_BINARY " " + std::to_string(kSeconds);
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);

  const std::string doc = file("doc.qlm");
  EXPECT_FALSE(fs::exists(file("checks"))) << "check failed while the others wrote: " << qlm::testing::readFile(file("checks"));
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
      const std::string last = qlm::testing::readFile(file(label + std::to_string(i + 1)));  // "VALUE\n" when set
      if (!last.empty()) {
        EXPECT_EQ(reader.record().text(field) + "\n", last) << "the last " << label << " set was lost";
      }
    }
  }
  for (const char* written : {"comment1", "comment2", "process2", "process3"}) {
    EXPECT_TRUE(fs::exists(file(written))) << written << " was never set";
  }
}

}  // namespace
