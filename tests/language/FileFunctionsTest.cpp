#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../document/TempFolder.h"
#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

namespace fs = std::filesystem;

class FileNameCases : public FunctionTableTest {};

TEST_P(FileNameCases, GivesExpectedValue) { expectCase(); }

INSTANTIATE_TEST_SUITE_P(
    All, FileNameCases,
    ::testing::Values(EvalCase{R"(FileGetName("C:\folder\file.exe"))", "file", 'C'},
                      EvalCase{R"(FileGetPath("C:\folder\file.exe"))", "C:\\folder", 'C'},
                      EvalCase{R"(FileGetExt("C:\folder\file.exe"))", "exe", 'C'},
                      EvalCase{R"(FileGetName("/home/u/a.tar.gz"))", "a", 'C'},
                      EvalCase{R"(FileGetPath("/home/u/a.tar.gz"))", "/home/u", 'C'},
                      EvalCase{R"(FileGetExt("/home/u/a.tar.gz"))", "tar.gz", 'C'},
                      EvalCase{R"(FileGetName("file"))", "file", 'C'},
                      EvalCase{R"(FileGetPath("file"))", "", 'C'}, EvalCase{R"(FileGetExt("file"))", "", 'C'},
                      EvalCase{R"(FileGetPath("/file.txt"))", "", 'C'},
                      EvalCase{R"(FileGetName("C:\my.folder\file.exe"))", "file", 'C'},
                      EvalCase{R"(FileGetExt("/my.folder/file"))", "", 'C'},
                      EvalCase{R"(FileGetName("C:\dir/sub\x.y"))", "x", 'C'},
                      EvalCase{R"(FileGetPath("C:\dir/sub\x.y"))", "C:\\dir/sub", 'C'}));

// A fresh folder under the system's temporary folder, removed afterwards.
class FileFunctions : public FunctionTest {
 protected:
  std::string path(const std::string& name) const { return (m_dir / name).string(); }
  void write(const std::string& name, const std::string& contents) const {
    std::ofstream(path(name), std::ios::binary) << contents;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  Value call(const std::string& function, const std::string& a, const std::string& b = {}) {
    std::string instruction = function + "(\"" + a + "\"" + (b.empty() ? "" : ",\"" + b + "\"") + ")";
    return eval(instruction);
  }
  void expectSuccess() const {
    EXPECT_EQ(stored("$LAST_ERROR"), "\"\"");
    EXPECT_EQ(stored("$LAST_ERROR_NUM"), "0");
    EXPECT_EQ(stored("$FCT_ERROR"), "\"\"");
  }
  void expectFailure(int error, const std::string& text) const {
    EXPECT_EQ(stored("$LAST_ERROR"), text);
    EXPECT_EQ(doc.readVariable("$LAST_ERROR").type, 'I');
    EXPECT_EQ(stored("$LAST_ERROR_NUM"), std::to_string(error));
    EXPECT_FALSE(doc.stopRequested());
    EXPECT_TRUE(ui.messages().empty());
  }

  testing::TempFolder m_folder;
  fs::path m_dir = m_folder.path();
};

TEST_F(FileFunctions, CopyCopiesAndReports) {
  write("a.txt", "hello");
  Value v = call("FileCopy", path("a.txt"), path("b.txt"));
  EXPECT_EQ(std::pair(v.text, v.type), std::pair(std::string(), 'V'));
  EXPECT_EQ(read("b.txt"), "hello");
  expectSuccess();
  EXPECT_TRUE(hasStep("FileCopy(" + path("a.txt") + "," + path("b.txt") + ") result:", "File copy OK"));
  call("FileCopy", path("a.txt"), path("a.txt"));
  EXPECT_EQ(read("a.txt"), "hello");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.txt", "b.txt"}));
}
TEST_F(FileFunctions, CopyReplacesAnExistingTargetAndKeepsTheMode) {
  write("a.sh", "new");
  write("b.sh", "old contents");
  fs::permissions(path("a.sh"), fs::perms::owner_all);
  call("FileCopy", path("a.sh"), path("b.sh"));
  EXPECT_EQ(read("b.sh"), "new");
  EXPECT_EQ(fs::status(path("b.sh")).permissions() & fs::perms::all, fs::perms::owner_all);
  expectSuccess();
}

TEST_F(FileFunctions, CopyOfAMissingFileSetsTheErrorVariables) {
  write("b.txt", "kept");
  eval(R"($FCT_ERROR="x")");
  call("FileCopy", path("none.txt"), path("b.txt"));
  expectFailure(ENOENT, "No such file or directory");
  EXPECT_EQ(stored("$FCT_ERROR"), "\"\"");
  EXPECT_EQ(read("b.txt"), "kept");
  EXPECT_TRUE(hasStep("FileCopy(" + path("none.txt") + "," + path("b.txt") + ") result:", "File copy NOT OK"));
}

TEST_F(FileFunctions, FailedCopyLeavesNoFileBehind) {
  fs::create_directory(path("folder"));
  write("a.txt", "data");
  call("FileCopy", path("folder"), path("b.txt"));
  expectFailure(EISDIR, "Is a directory");
  call("FileCopy", path("a.txt"), path("folder"));
  EXPECT_NE(stored("$LAST_ERROR_NUM"), "0");
  call("FileCopy", path("a.txt"), path("missing/b.txt"));
  expectFailure(ENOENT, "No such file or directory");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.txt", "folder"}));
  EXPECT_TRUE(fs::is_empty(path("folder")));
}

TEST_F(FileFunctions, CopyRefusesPipesAndDevices) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  call("FileCopy", path("pipe"), path("b.txt"));
  expectFailure(EINVAL, "Invalid argument");
  call("FileCopy", "/dev/zero", path("b.txt"));
  expectFailure(EINVAL, "Invalid argument");
  EXPECT_EQ(entries(), std::vector<std::string>{"pipe"});
}

TEST_F(FileFunctions, DeleteRefusesAFolderAndSuccessClearsAnEarlierError) {
  write("a.txt", "x");
  fs::create_directory(path("folder"));
  call("FileDelete", path("folder"));
  expectFailure(EISDIR, "Is a directory");
  call("FileDelete", path("none.txt"));
  EXPECT_EQ(stored("$LAST_ERROR_NUM"), std::to_string(ENOENT));
  call("FileDelete", path("a.txt"));
  expectSuccess();
  EXPECT_TRUE(hasStep("FileDelete(" + path("a.txt") + ") result:", "File delete OK"));
  EXPECT_TRUE(hasStep("FileDelete(" + path("none.txt") + ") result:", "File delete NOT OK"));
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
}
TEST_F(FileFunctions, MoveRenamesFilesAndFolders) {
  write("a.txt", "data");
  fs::create_directory(path("folder"));
  call("FileMove", path("a.txt"), path("folder/b.txt"));
  expectSuccess();
  call("FileMove", path("folder"), path("moved"));
  expectSuccess();
  EXPECT_EQ(read("moved/b.txt"), "data");
  EXPECT_EQ(entries(), (std::vector<std::string>{"moved"}));
  EXPECT_TRUE(hasStep("FileMove(" + path("folder") + "," + path("moved") + ") result:", "File move OK"));
}

TEST_F(FileFunctions, MoveNeverReplacesATarget) {
  write("a.txt", "source");
  write("b.txt", "target");
  call("FileMove", path("a.txt"), path("b.txt"));
  expectFailure(EEXIST, "File exists");
  EXPECT_EQ(read("a.txt"), "source");
  EXPECT_EQ(read("b.txt"), "target");
  EXPECT_TRUE(hasStep("FileMove(" + path("a.txt") + "," + path("b.txt") + ") result:", "File move NOT OK"));
}

TEST_F(FileFunctions, MoveAcrossFileSystemsCopiesThenDeletes) {
  struct stat here {}, there {};
  if (::stat(m_dir.c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev ||
      ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "needs /dev/shm on another file system";
  }
  std::string other = "/dev/shm/qlm-functions-" + std::to_string(::getpid()) + ".txt";
  write("a.txt", "travels");
  call("FileMove", path("a.txt"), other);
  expectSuccess();
  EXPECT_FALSE(fs::exists(path("a.txt")));
  write("a.txt", "second");
  call("FileMove", path("a.txt"), other);
  EXPECT_EQ(stored("$LAST_ERROR_NUM"), std::to_string(EEXIST));
  std::ifstream in(other);
  std::string contents;
  std::getline(in, contents);
  EXPECT_EQ(contents, "travels");
  EXPECT_TRUE(fs::exists(path("a.txt")));
  fs::remove(other);
}

TEST_F(FileFunctions, OverlongNameIsAFailureNotAStop) {
  eval(R"($N=Repeat("a",1000))");
  eval("FileDelete($N)");
  expectFailure(ENAMETOOLONG, "File name too long");
}

TEST_F(FileFunctions, NamesAreWindows1252InsideAndUtf8OnDisk) {
  write("\xC3\xA9t\xC3\xA9.txt", "summer");
  eval("FileCopy(\"" + path("\xE9t\xE9.txt") + "\",\"" + path("copie.txt") + "\")");
  EXPECT_EQ(read("copie.txt"), "summer");
  eval("FileListLoad($L,\"" + path("*.txt") + "\")");
  EXPECT_EQ(eval("FileListGet($L,2)").text, path("\xE9t\xE9.txt"));
}

class FileListFunctions : public FileFunctions {
 protected:
  void SetUp() override {
    FileFunctions::SetUp();
    for (const char* name : {"b.txt", "a.txt", "c.log", ".hidden.txt"}) write(name, name);
    fs::create_directory(path("sub.txt"));
  }
  void load(const std::string& list, const std::string& pattern) {
    eval("FileListLoad(" + list + ",\"" + pattern + "\")");
  }
};

TEST_F(FileListFunctions, LoadsTheFilesMatchingAPattern) {
  load("$L", path("*.txt"));
  EXPECT_EQ(stored("$L"), "2");
  EXPECT_EQ(doc.fileList(), (std::vector<std::string>{path("a.txt"), path("b.txt")}));
  EXPECT_TRUE(hasStep("FileListLoad base path :", m_dir.string()));
  EXPECT_TRUE(hasStep("FileListLoad has loaded :", "2 file(s)"));
  EXPECT_FALSE(doc.stopRequested());
}

TEST_F(FileListFunctions, AFolderListsAllItsFilesWithOrWithoutSeparator) {
  for (const std::string& pattern : {m_dir.string() + "/", m_dir.string()}) {
    SCOPED_TRACE(pattern);
    load("$L", pattern);
    EXPECT_EQ(stored("$L"), "3");
    EXPECT_EQ(doc.fileList(), (std::vector<std::string>{path("a.txt"), path("b.txt"), path("c.log")}));
    EXPECT_TRUE(hasStep("FileListLoad base path :", m_dir.string()));
  }
}

TEST_F(FileListFunctions, GetClampsTheIndexToTheList) {
  EXPECT_EQ(eval("FileListGet($NONE,1)").text, "");
  load("$L", m_dir.string() + "/");
  EXPECT_EQ(eval("FileListGet($L,1)").text, path("a.txt"));
  EXPECT_EQ(eval("FileListGet($L,999)").text, path("c.log"));
  Value first = eval("FileListGet($L,0)");
  EXPECT_EQ(first.text, path("a.txt"));
  EXPECT_EQ(first.type, 'C');
  EXPECT_TRUE(hasStep("FileListGet($L,2) result:", "File '" + path("c.log") + "'"));
  EXPECT_TRUE(hasStep("FileListGet($L,0) result:", "File '" + path("a.txt") + "'"));
  doc.setVariable("$SMALLEST", "-9223372036854775808");
  doc.setVariable("$LARGEST", "9223372036854775807");
  EXPECT_EQ(eval("FileListGet($L,$SMALLEST)").text, path("a.txt"));
  EXPECT_EQ(eval("FileListGet($L,$LARGEST)").text, path("c.log"));
  doc.setVariable("$L", "-9223372036854775808");
  EXPECT_EQ(eval("FileListGet($L,$LARGEST)").text, "");
}

TEST_F(FileListFunctions, ANewListReplacesTheFilesButNotTheOldCount) {
  load("$A", m_dir.string() + "/");
  load("$B", path("c.*"));
  EXPECT_EQ(stored("$A"), "3");
  EXPECT_EQ(stored("$B"), "1");
  EXPECT_EQ(eval("FileListGet($A,3)").text, path("c.log"));
  EXPECT_FALSE(doc.stopRequested());
}

TEST_F(FileListFunctions, NoMatchKeepsTheListButOnlyFoldersMatchingEmptiesIt) {
  load("$L", path("*.txt"));
  load("$M", path("*.none"));
  EXPECT_EQ(stored("$M"), "0");
  EXPECT_EQ(doc.fileList().size(), 2u);
  load("$N", path("sub.*"));
  EXPECT_EQ(stored("$N"), "0");
  EXPECT_TRUE(doc.fileList().empty());
  EXPECT_TRUE(hasStep("FileListLoad has loaded :", "0 file(s)"));
  EXPECT_FALSE(doc.stopRequested());
  EXPECT_TRUE(ui.messages().empty());
}
TEST_F(FileListFunctions, MissingFolderStopsWithTwoMessages) {
  eval("$L=5");
  load("$L", path("missing/*.txt"));
  EXPECT_EQ(stored("$L"), "0");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{"FileListLoad:FindFirstFile error invalid path",
                                                     "FindFirstFile failed (2) path=" + path("missing") + "\n"}));
  EXPECT_TRUE(hasStep("FileListLoad:FindFirstFile error invalid path :", path("missing")));
}

TEST_F(FileListFunctions, WindowsShapedPathsPassTheShapeCheck) {
  load("$L", R"(C:\data\)");
  EXPECT_EQ(ui.messages().front(), "FileListLoad:FindFirstFile error invalid path");
  EXPECT_TRUE(hasStep("FileListLoad base path :", R"(C:\data)"));
}

struct ShapeCase {
  std::string pattern;
  std::string message;
};

class FileListShapes : public FunctionTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(FileListShapes, RefusesPatternsOfTheWrongShape) {
  eval("$P=" + GetParam().pattern);
  eval("FileListLoad($L,$P)");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), std::vector<std::string>{GetParam().message});
  EXPECT_EQ(stored("$L"), "0");
}

INSTANTIATE_TEST_SUITE_P(All, FileListShapes,
                         ::testing::Values(ShapeCase{R"("ab")", "FctFileListLoad: Invalid 2nd argument path (1)"},
                                           ShapeCase{R"("tmp/x")", "FctFileListLoad: Invalid 2nd argument path (2)"},
                                           ShapeCase{R"("C:x\y")", "FctFileListLoad: Invalid 2nd argument path (2)"},
                                           ShapeCase{R"("/"&Repeat("a",257))", "FileListLoad:Directory path is too long."}));

TEST_F(FileListFunctions, GetWithAnInvalidIndexStops) {
  load("$L", path("*.txt"));
  Value v = eval(R"(FileListGet($L,"x"))");
  EXPECT_EQ(v.text, "");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{"x : Invalid number.", "FileListGet() : Invalid number."}));
}

}  // namespace
}  // namespace qlm::functiontest
