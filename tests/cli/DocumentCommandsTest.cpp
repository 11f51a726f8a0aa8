// The document commands of qlm, run as a user would run them.
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
using qlm::testing::runQlm;
using ToolRun = qlm::testing::QlmRun;

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DocumentCommands : public ::testing::Test {
 protected:
  void SetUp() override { qlm::testing::writePictureFile(file("p.bmp"), 4, 3, {30, 60, 90, 90}); }

  std::string file(const std::string& name) const { return m_temp.file(name); }
  static ToolRun qlm(const std::vector<std::string>& args) { return runQlm(args); }

  void makeDocument(int records) {
    ASSERT_EQ(qlm({"new", doc}).status, 0);
    for (int i = 0; i < records; ++i) {
      ToolRun appended = qlm({"append", doc, "--kind", "K", "--text", "\"r" + std::to_string(i + 1) + "\"", "--picture",
                          file("p.bmp"), "--title", "Éditeur", "--class", "Gedit", "--process", "gedit"});
      ASSERT_EQ(appended.status, 0) << appended.err;
    }
  }

  std::string instructions() {
    std::string rows;
    std::istringstream list(qlm({"list", doc}).out);
    for (std::string row; std::getline(list, row);) rows += row.substr(row.rfind("  ") + 2) + " ";
    return rows;
  }

  qlm::testing::TempFolder m_temp;
  fs::path m_folder = m_temp.path();
  std::string doc = file("doc.qlm");
};

TEST_F(DocumentCommands, AppendedRecordsListAsJsonInUtf8) {
  makeDocument(2);
  ToolRun list = qlm({"list", "--json", doc});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("{\"path\":\"" + doc + "\",\"count\":2,\"records\":[{\"line\":1,\"number\":0,\"kind\":\"K\""),
            std::string::npos)
      << list.out;
  // The first record of a file aims at the desktop; the second keeps what was given.
  EXPECT_NE(list.out.find("\"title\":\"Program Manager\",\"class\":\"Program\",\"process\":\"explorer.exe\""),
            std::string::npos);
  EXPECT_NE(list.out.find("{\"line\":2,\"number\":1,\"kind\":\"K\",\"title\":\"Éditeur\",\"class\":\"Gedit\""),
            std::string::npos);
  EXPECT_NE(list.out.find("\"picture\":[4,3,32]"), std::string::npos);
  EXPECT_NE(list.out.find("\"window\":[0,0,0,4,3]"), std::string::npos);
  ToolRun show = qlm({"show", "--json", doc, "2"});
  EXPECT_EQ(show.out.substr(0, 12), "{\"line\":2,\"n");
}

TEST_F(DocumentCommands, SetAnalysesTheInstructionAndStoresItsFlags) {
  makeDocument(1);
  ToolRun set = qlm({"set", doc, "1", "instruction=ifimage(500,\"V[LBUTTON]\",GetText(1))", "play=0", "comment=été",
                 "min_wait=250", "click=3,2", "area=1,1,2,2", "text_area=5,6,7,8"});
  ASSERT_EQ(set.status, 0) << set.err;
  std::string shown = qlm({"show", "--json", doc, "1"}).out;
  EXPECT_NE(shown.find("\"instruction\":\"IfImage(500,\\\"V[LBUTTON]\\\",GetText(1))\""), std::string::npos) << shown;
  EXPECT_NE(shown.find("\"comment\":\"été\""), std::string::npos);
  EXPECT_NE(shown.find("\"click\":[3,2],\"image_area\":[1,1,2,2]"), std::string::npos);
  EXPECT_NE(shown.find("\"text_area\":[5,6,7,8],\"condition_level\":3,\"click_flag\":2,\"text_flag\":1,\"play\":0"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("\"min_wait\":250"), std::string::npos);
}

TEST_F(DocumentCommands, FailuresSayWhyAndWriteNothing) {
  makeDocument(2);
  std::string before = slurp(doc);
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
      {{"append", doc, "--kind", "K", "--text", "x", "--picture", file("missing.bmp")}, 1, "missing.bmp"},
      {{"append", doc, "--kind", "Z", "--text", "x", "--picture", file("p.bmp")}, 2, "usage: qlm append"},
      {{"new", doc}, 1, "already exists"},
      {{"show", file("p.bmp"), "1"}, 1, "Format du fichier"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    ToolRun run = qlm(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(slurp(doc), before);
  }
}

// Documents, pictures and answers files are regular files or links to one;
// anything else is refused at once and left as it was.
TEST_F(DocumentCommands, FoldersDevicesAndPipesAreRefusedAndLeftAlone) {
  makeDocument(1);
  std::string before = slurp(doc);
  std::string pipe = file("pipe.qlm");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  auto append = [&](const std::string& to, const std::string& picture) {
    return std::vector<std::string>{"append", to, "--kind", "K", "--text", "x", "--picture", picture};
  };
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {append(pipe, file("p.bmp")), 1, pipe + ": a pipe, not a file"},
      {{"list", pipe}, 1, pipe + ": a pipe, not a file"},
      {append(doc, m_folder.string()), 1, m_folder.string() + ": a folder, not a file"},
      {append(doc, "/dev/null"), 1, "/dev/null: a device, not a file"},
      {append(doc, pipe), 1, pipe + ": a pipe, not a file"},
      {{"play", doc, "--sim", "--answers", pipe}, 2, "Cannot read the answers file " + pipe + ": "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args.back());
    ToolRun run = qlm(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_EQ(slurp(doc), before);
}

// Changes go to the file a link leads to, and the link stays; temporary
// files never follow a link planted at their name.
TEST_F(DocumentCommands, LinksLeadToTheDocumentAndStayLinks) {
  makeDocument(2);
  std::string link = file("link.qlm");
  fs::create_symlink(doc, link);
  ASSERT_EQ(qlm({"set", link, "2", "play=0"}).status, 0);
  ToolRun deleted = qlm({"delete", link, "2"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(instructions(), "\"r1\" ");

  std::string dangling = file("dangling.qlm");
  fs::create_symlink(file("later.qlm"), dangling);
  ToolRun appended = qlm({"append", dangling, "--kind", "K", "--text", "\"x\"", "--picture", file("p.bmp")});
  ASSERT_EQ(appended.status, 0) << appended.err;
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_NE(qlm({"list", file("later.qlm")}).out.find("\"x\""), std::string::npos);

  std::ofstream(file("victim")) << "keep";
  fs::create_symlink(file("victim"), file("out.bmp.part"));
  ASSERT_EQ(qlm({"picture", link, "1", file("out.bmp")}).status, 0);
  EXPECT_EQ(slurp(file("victim")), "keep");
  EXPECT_EQ(slurp(file("out.bmp")), slurp(file("p.bmp")));
}

TEST_F(DocumentCommands, DeleteMoveAndDuplicateRearrangeTheList) {
  makeDocument(3);
  EXPECT_EQ(instructions(), "\"r1\" \"r2\" \"r3\" ");
  ASSERT_EQ(qlm({"move", doc, "1", "3"}).status, 0);
  EXPECT_EQ(instructions(), "\"r2\" \"r3\" \"r1\" ");
  ASSERT_EQ(qlm({"duplicate", doc, "1", "4"}).status, 0);
  EXPECT_EQ(instructions(), "\"r2\" \"r3\" \"r1\" \"r2\" ");
  ASSERT_EQ(qlm({"set", doc, "2", "play=0"}).status, 0);
  ToolRun deleted = qlm({"delete", doc, "2"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(instructions(), "\"r2\" \"r1\" \"r2\" ");
}

TEST_F(DocumentCommands, PictureComesBackInColourOrGrey) {
  makeDocument(1);
  ASSERT_EQ(qlm({"picture", doc, "1", file("colour.bmp")}).status, 0);
  EXPECT_EQ(slurp(file("colour.bmp")), slurp(file("p.bmp")));
  ASSERT_EQ(qlm({"picture", doc, "1", file("grey.bmp"), "--grey"}).status, 0);
  std::string grey = slurp(file("grey.bmp"));
  ASSERT_EQ(grey.size(), 54u + 48u);
  EXPECT_EQ(grey.substr(54, 4), "\x3c\x3c\x3c\x5a");
}

TEST_F(DocumentCommands, CheckReportsEveryLineThatFails) {
  makeDocument(3);
  ASSERT_EQ(qlm({"check", doc}).status, 0);
  ASSERT_EQ(qlm({"set", doc, "2", "instruction=Wait(1)"}).status, 0);
  // Written past the checks, as an older program might have.
  std::fstream raw(doc, std::ios::in | std::ios::out | std::ios::binary);
  raw.seekg(32 + 8);
  unsigned char entry[4];
  raw.read(reinterpret_cast<char*>(entry), 4);
  raw.seekp(static_cast<std::streamoff>(entry[0] | entry[1] << 8 | entry[2] << 16 | entry[3] << 24) + 586);
  raw.write("Wait(1,2)", 10);
  raw.close();
  ToolRun check = qlm({"check", doc});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out.substr(0, 30), "line 3: Too many arguments: Wa");
  EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 1);
}

}  // namespace
