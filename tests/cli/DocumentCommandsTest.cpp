// The document commands of qlm, run as a user would run them.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "../document/TempFolder.h"
#include "PictureFile.h"
#include "QlmRunner.h"

namespace {

namespace fs = std::filesystem;
using qlm::testing::readFile;
using qlm::testing::runQlm;

class DocumentCommands : public ::testing::Test {
 protected:
  void SetUp() override { qlm::testing::writePictureFile(file("p.bmp"), 4, 3, {30, 60, 90, 90}); }

  std::string file(const std::string& name) const { return m_temp.file(name); }
  
  void makeDocument(int records) {
    ASSERT_EQ(runQlm({"new", doc}).status, 0);
    for (int i = 0; i < records; ++i) {
      auto appended = runQlm({"append", doc, "--kind", "K", "--text", "\"r" + std::to_string(i + 1) + "\"", "--picture",
                          file("p.bmp"), "--title", "Éditeur", "--class", "Gedit", "--process", "gedit"});
      ASSERT_EQ(appended.status, 0) << appended.err;
    }
  }

  std::string instructions() {
    std::string rows;
    std::istringstream list(runQlm({"list", doc}).out);
    for (std::string row; std::getline(list, row);) rows += row.substr(row.rfind("  ") + 2) + " ";
    return rows;
  }

  qlm::testing::TempFolder m_temp;
  fs::path m_folder = m_temp.path();
  std::string doc = file("doc.qlm");
};

TEST_F(DocumentCommands, AppendedAndSetRecordsListAsJsonInUtf8) {
  makeDocument(2);
  auto set = runQlm({"set", doc, "2", "instruction=ifimage(500,\"V[LBUTTON]\",GetText(1))", "play=0", "comment=été",
                     "min_wait=250", "click=3,2", "area=1,1,2,2", "text_area=5,6,7,8"});
  ASSERT_EQ(set.status, 0) << set.err;
  auto list = runQlm({"list", "--json", doc});
  ASSERT_EQ(list.status, 0) << list.err;
  // The first record of a file aims at the desktop; the second keeps what was given, and the instruction's analysis.
  for (const std::string& part :
       {"{\"path\":\"" + doc + "\",\"count\":2,\"records\":[{\"line\":1,\"number\":0,\"kind\":\"K\",\"title\":\"Program "
                               "Manager\",\"class\":\"Program\",\"process\":\"explorer.exe\"",
        std::string("{\"line\":2,\"number\":1,\"kind\":\"K\",\"title\":\"Éditeur\",\"class\":\"Gedit\",\"process\":\"gedit\","
                    "\"instruction\":\"IfImage(500,\\\"V[LBUTTON]\\\",GetText(1))\",\"comment\":\"été\""),
        std::string("\"click\":[3,2],\"image_area\":[1,1,2,2],\"alternate\":[-1,-1],\"text_area\":[5,6,7,8],"
                    "\"condition_level\":3,\"click_flag\":2,\"text_flag\":1,\"play\":0,\"erase\":0,\"min_wait\":250,"),
        std::string("\"window\":[0,0,0,4,3],\"sense\":3,\"shift\":0,\"ctrl\":0,\"alt\":0,\"picture\":[4,3,32]}]}\n")}) {
    EXPECT_NE(list.out.find(part), std::string::npos) << part << "\n" << list.out;
  }
  EXPECT_EQ(runQlm({"show", "--json", doc, "2"}).out.substr(0, 12), "{\"line\":2,\"n");
}

// Documents, pictures and answers files are regular files or links to one;
// anything else is refused at once and left as it was.
TEST_F(DocumentCommands, FailuresSayWhyAndWriteNothing) {
  makeDocument(2);
  std::string before = readFile(doc);
  std::string pipe = file("pipe.qlm");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  auto append = [&](const std::string& to, const std::string& picture, const char* kind = "K") {
    return std::vector<std::string>{"append", to, "--kind", kind, "--text", "x", "--picture", picture};
  };
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"delete", doc, "2"}, 1, "In order to delete this record you must disable the play flag."},
      {{"set", doc, "1", "instruction=Wait(1,2)"}, 1, "line 1: Too many arguments:"},
      {{"set", doc, "3", "play=0"}, 1, "has no line 3"},
      {{"set", doc, "1", "colour=red"}, 2, "usage: qlm set"},
      {{"set", doc, "1", "play=2"}, 2, "usage: qlm set"},
      {{"move", doc, "1"}, 2, "usage: qlm move"},
      {{"duplicate", doc, "1", "4"}, 1, "no position 4"},
      {append(doc, file("missing.bmp")), 1, "missing.bmp"},
      {append(doc, file("p.bmp"), "Z"), 2, "usage: qlm append"},
      {{"new", doc}, 1, "already exists"},
      {{"show", file("p.bmp"), "1"}, 1, "Format du fichier"},
      {append(pipe, file("p.bmp")), 1, pipe + ": a pipe, not a file"},
      {{"list", pipe}, 1, pipe + ": a pipe, not a file"},
      {append(doc, m_folder.string()), 1, m_folder.string() + ": a folder, not a file"},
      {append(doc, "/dev/null"), 1, "/dev/null: a device, not a file"},
      {append(doc, pipe), 1, pipe + ": a pipe, not a file"},
      {{"play", doc, "--sim", "--answers", pipe}, 2, "Cannot read the answers file " + pipe + ": "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args.back());
    auto run = runQlm(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(readFile(doc), before);
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
}

// Changes go to the file a link leads to, and the link stays; temporary
// files never follow a link planted at their name.
TEST_F(DocumentCommands, CommandsRearrangeTheListThroughALinkThatStaysAndGivePicturesBack) {
  makeDocument(3);
  std::string link = file("link.qlm");
  fs::create_symlink(doc, link);
  ASSERT_EQ(runQlm({"move", link, "1", "3"}).status, 0);
  EXPECT_EQ(instructions(), "\"r2\" \"r3\" \"r1\" ");
  ASSERT_EQ(runQlm({"duplicate", link, "1", "4"}).status, 0);
  EXPECT_EQ(instructions(), "\"r2\" \"r3\" \"r1\" \"r2\" ");
  ASSERT_EQ(runQlm({"set", link, "2", "play=0"}).status, 0);
  auto deleted = runQlm({"delete", link, "2"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(instructions(), "\"r2\" \"r1\" \"r2\" ");

  std::string dangling = file("dangling.qlm");
  fs::create_symlink(file("later.qlm"), dangling);
  auto appended = runQlm({"append", dangling, "--kind", "K", "--text", "\"x\"", "--picture", file("p.bmp")});
  ASSERT_EQ(appended.status, 0) << appended.err;
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_NE(runQlm({"list", file("later.qlm")}).out.find("\"x\""), std::string::npos);

  std::ofstream(file("victim")) << "keep";
  fs::create_symlink(file("victim"), file("out.bmp.part"));
  ASSERT_EQ(runQlm({"picture", link, "1", file("out.bmp")}).status, 0);
  EXPECT_EQ(readFile(file("victim")), "keep");
  EXPECT_EQ(readFile(file("out.bmp")), readFile(file("p.bmp")));
  ASSERT_EQ(runQlm({"picture", doc, "1", file("grey.bmp"), "--grey"}).status, 0);
  std::string grey = readFile(file("grey.bmp"));
  ASSERT_EQ(grey.size(), 54u + 48u);
  EXPECT_EQ(grey.substr(54, 4), "\x3c\x3c\x3c\x5a");
}

TEST_F(DocumentCommands, CheckReportsEveryLineThatFails) {
  makeDocument(3);
  ASSERT_EQ(runQlm({"check", doc}).status, 0);
  ASSERT_EQ(runQlm({"set", doc, "2", "instruction=Wait(1)"}).status, 0);
  // Written past the checks, as an older program might have.
  std::fstream raw(doc, std::ios::in | std::ios::out | std::ios::binary);
  raw.seekg(32 + 8);
  unsigned char entry[4];
  raw.read(reinterpret_cast<char*>(entry), 4);
  raw.seekp(static_cast<std::streamoff>(entry[0] | entry[1] << 8 | entry[2] << 16 | entry[3] << 24) + 586);
  raw.write("Wait(1,2)", 10);
  raw.close();
  auto check = runQlm({"check", doc});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out.substr(0, 30), "line 3: Too many arguments: Wa");
  EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 1);
}

}  // namespace
