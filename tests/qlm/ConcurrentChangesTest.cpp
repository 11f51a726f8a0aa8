// Several qlm processes change one document at once; the result must be
// that of the same changes made one after another.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "document/Snapshot.h"

namespace {

namespace fs = std::filesystem;
using qlm::Snapshot;
using qlm::TextField;

constexpr int kSeconds = 3;

void writePicture(const std::string& path, int width) {
  std::string bmp(54, '\0');
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
  };
  auto pixels = static_cast<std::uint32_t>(width * 4);
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(2, pixels + 54, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, 1, 4);
  put(26, 1, 2);
  put(28, 32, 2);
  put(34, pixels, 4);
  bmp += std::string(pixels, static_cast<char>(width));
  std::ofstream(path, std::ios::binary) << bmp;
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
    std::string pattern = (fs::temp_directory_path() / "qlm-hammer-XXXXXX").string();
    m_folder = ::mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(m_folder); }
  std::string file(const std::string& name) const { return (m_folder / name).string(); }

  fs::path m_folder;
};

// Each record's instruction names it, and its picture is as wide as the
// number in that name. Records with play 0 are copies of the template "T"
// and the only ones a delete can take; every set puts play back to 1, so a
// record holding a value that was set is never deleted.
TEST_F(ConcurrentChanges, EveryInterleavingGivesTheResultOfSomeSerialOrder) {
  std::string doc = file("doc.qlm");
  std::string tool = QLM_TOOL;
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
      "(" + loop + "if " + q + "set " + doc + " $((n%5+1)) comment=A$n play=1" + quiet + "; then echo $n >a; fi; done) & " +
      "(" + loop + "if " + q + "set " + doc + " $((n%4+2)) process=B$n play=1" + quiet + "; then echo $n >b; fi; done) & " +
      "(" + loop + q + "move " + doc + " $((n%6+1)) $((n*5%6+1))" + quiet + "; done) & " +
      "(" + loop + q + "duplicate " + doc + " $((n%7+1)) 1" + quiet + "; " + q + "delete " + doc + " $((n%9+1))" + quiet +
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
  ASSERT_TRUE(reader.OpenQlmFileR(doc)) << reader.message();
  std::set<std::string> values;
  for (int i = 0; i < reader.count(); ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    ASSERT_EQ(reader.GetAttrQlm1R(i), 0) << reader.message();
    std::string name = reader.record().text(TextField::Instruction);
    ASSERT_TRUE(reader.GetImgQlm1R(true)) << reader.message();
    int width = name == "\"T\"" ? 7 : name.size() == 4 ? name[2] - '0' : 0;
    EXPECT_EQ(reader.captureWidth(), width) << name << " holds another record's picture";
    values.insert(reader.record().text(TextField::Comment));
    values.insert(reader.record().text(TextField::Process));
  }
  for (const char* writer : {"a", "b"}) {
    std::string last = slurp(file(writer));
    ASSERT_FALSE(last.empty()) << "writer " << writer << " never succeeded";
    std::string value = std::string(1, static_cast<char>(std::toupper(writer[0]))) + last;
    EXPECT_TRUE(values.count(value)) << value << ", the last value set, was lost";
  }
}

}  // namespace
