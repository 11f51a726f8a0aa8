#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../document/TempFolder.h"
#include "FunctionTestFixture.h"

namespace qlm::functiontest {
namespace {

namespace fs = std::filesystem;

TEST_F(FunctionTest, FileNamePartsSplitAtTheLastSeparatorAndTheFirstPointOfTheName) {
  const std::pair<const char*, const char*> paths[] = {
      {R"(C:\folder\file.exe)", R"(C:\folder|file|exe)"}, {"/home/u/a.tar.gz", "/home/u|a|tar.gz"},
      {"file", "|file|"}, {"/file.txt", "|file|txt"}, {R"(C:\my.folder\file.exe)", R"(C:\my.folder|file|exe)"},
      {"/my.folder/file", "/my.folder|file|"}, {R"(C:\dir/sub\x.y)", R"(C:\dir/sub|x|y)"}};
  for (const auto& [path, parts] : paths) {
    SCOPED_TRACE(path);
    const std::string argument = std::string("(\"") + path + "\")";
    EXPECT_EQ(run("FileGetPath" + argument).text + "|" + run("FileGetName" + argument).text + "|" +
                  run("FileGetExt" + argument).text,
              parts);
  }
  EXPECT_EQ(run(R"(FileGetName("a.b"))").type, 'C');
  EXPECT_TRUE(ui.messages().empty());
}

// A fresh folder under the system's temporary folder, removed afterwards.
class FileFunctions : public FunctionTest {
 protected:
  std::string path(const std::string& name) const { return (m_dir / name).string(); }
  void write(const std::string& name, const std::string& contents) const {
    std::ofstream(path(name), std::ios::binary) << contents;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  Value call(const std::string& function, const std::string& a, const std::string& b = {}) {
    return run(function + "(\"" + a + "\"" + (b.empty() ? "" : ",\"" + b + "\"") + ")");
  }
  // The error variables, and whether the playback stops or shows a message: a
  // file operation never does.
  std::string outcome() const {
    return stored("$LAST_ERROR_NUM") + " " + stored("$LAST_ERROR") + " " + stored("$FCT_ERROR") +
           (doc.stopRequested() ? " stopped" : "") + (ui.messages().empty() ? "" : " " + lastMessage());
  }
  static std::string failed(int error, const std::string& text) { return std::to_string(error) + " " + text + " \"\""; }
  const std::string kSucceeded = "0 \"\" \"\"";

  testing::TempFolder m_folder;
  fs::path m_dir = m_folder.path();
};

TEST_F(FileFunctions, CopyCopiesOrReplacesKeepingTheModeAndReports) {
  write("a.sh", "new");
  write("b.sh", "old contents");
  fs::permissions(path("a.sh"), fs::perms::owner_all);
  Value v = call("FileCopy", path("a.sh"), path("b.sh"));
  EXPECT_EQ(std::pair(v.text, v.type), std::pair(std::string(), 'V'));
  EXPECT_EQ(read("b.sh"), "new");
  EXPECT_EQ(fs::status(path("b.sh")).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(outcome(), kSucceeded);
  EXPECT_TRUE(hasStep("FileCopy(" + path("a.sh") + "," + path("b.sh") + ") result:", "File copy OK"));
  call("FileCopy", path("a.sh"), path("a.sh"));
  EXPECT_EQ(read("a.sh"), "new");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a.sh", "b.sh"}));
}

TEST_F(FileFunctions, FailedCopySetsTheErrorVariablesAndLeavesNoFileBehind) {
  write("b.txt", "kept");
  fs::create_directory(path("folder"));
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  run(R"($FCT_ERROR="x")");
  call("FileCopy", path("none.txt"), path("b.txt"));
  EXPECT_EQ(outcome(), failed(ENOENT, "No such file or directory"));
  EXPECT_EQ(read("b.txt"), "kept");
  EXPECT_TRUE(hasStep("FileCopy(" + path("none.txt") + "," + path("b.txt") + ") result:", "File copy NOT OK"));
  call("FileCopy", path("folder"), path("c.txt"));
  EXPECT_EQ(outcome(), failed(EISDIR, "Is a directory"));
  call("FileCopy", path("b.txt"), path("folder"));
  EXPECT_NE(stored("$LAST_ERROR_NUM"), "0");
  call("FileCopy", path("b.txt"), path("missing/c.txt"));
  EXPECT_EQ(outcome(), failed(ENOENT, "No such file or directory"));
  for (const std::string& device : {path("pipe"), std::string("/dev/zero")}) {
    call("FileCopy", device, path("c.txt"));
    EXPECT_EQ(outcome(), failed(EINVAL, "Invalid argument"));
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"b.txt", "folder", "pipe"}));
  EXPECT_TRUE(fs::is_empty(path("folder")));
}

TEST_F(FileFunctions, DeleteRefusesAFolderAndSuccessClearsAnEarlierError) {
  write("a.txt", "x");
  fs::create_directory(path("folder"));
  call("FileDelete", path("folder"));
  EXPECT_EQ(outcome(), failed(EISDIR, "Is a directory"));
  call("FileDelete", path("none.txt"));
  EXPECT_EQ(stored("$LAST_ERROR_NUM"), std::to_string(ENOENT));
  EXPECT_TRUE(hasStep("FileDelete(" + path("none.txt") + ") result:", "File delete NOT OK"));
  call("FileDelete", path("a.txt"));
  EXPECT_EQ(outcome(), kSucceeded);
  EXPECT_EQ(entries(), std::vector<std::string>{"folder"});
}

TEST_F(FileFunctions, MoveRenamesFilesAndFoldersButNeverReplacesATarget) {
  write("a.txt", "data");
  write("c.txt", "target");
  fs::create_directory(path("folder"));
  call("FileMove", path("a.txt"), path("folder/b.txt"));
  EXPECT_EQ(outcome(), kSucceeded);
  call("FileMove", path("folder"), path("moved"));
  EXPECT_EQ(outcome(), kSucceeded);
  call("FileMove", path("moved/b.txt"), path("c.txt"));
  EXPECT_EQ(outcome(), failed(EEXIST, "File exists"));
  EXPECT_TRUE(hasStep("FileMove(" + path("moved/b.txt") + "," + path("c.txt") + ") result:", "File move NOT OK"));
  EXPECT_EQ(read("moved/b.txt"), "data");
  EXPECT_EQ(read("c.txt"), "target");
  EXPECT_EQ(entries(), (std::vector<std::string>{"c.txt", "moved"}));
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
  EXPECT_EQ(outcome(), kSucceeded);
  EXPECT_FALSE(fs::exists(path("a.txt")));
  write("a.txt", "second");
  call("FileMove", path("a.txt"), other);
  EXPECT_EQ(stored("$LAST_ERROR_NUM"), std::to_string(EEXIST));
  std::ifstream in(other);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "travels");
  EXPECT_TRUE(fs::exists(path("a.txt")));
  fs::remove(other);
}

TEST_F(FileFunctions, OverlongNameIsAFailureNotAStop) {
  run(R"($N=Repeat("a",1000))");
  run("FileDelete($N)");
  EXPECT_EQ(outcome(), failed(ENAMETOOLONG, "File name too long"));
}

TEST_F(FileFunctions, NamesAreWindows1252InsideAndUtf8OnDisk) {
  write("\xC3\xA9t\xC3\xA9.txt", "summer");
  run("FileCopy(\"" + path("\xE9t\xE9.txt") + "\",\"" + path("copie.txt") + "\")");
  EXPECT_EQ(read("copie.txt"), "summer");
  run("FileListLoad($L,\"" + path("*.txt") + "\")");
  EXPECT_EQ(run("FileListGet($L,2)").text, path("\xE9t\xE9.txt"));
}

class FileListFunctions : public FileFunctions {
 protected:
  void SetUp() override {
    FileFunctions::SetUp();
    for (const char* name : {"b.txt", "a.txt", "c.log", ".hidden.txt"}) write(name, name);
    fs::create_directory(path("sub.txt"));
  }
  void load(const std::string& list, const std::string& pattern) {
    run("FileListLoad(" + list + ",\"" + pattern + "\")");
  }
};

TEST_F(FileListFunctions, LoadsTheFilesMatchingAPatternOrAllOfAFolderWithOrWithoutSeparator) {
  const std::vector<std::string> all = {path("a.txt"), path("b.txt"), path("c.log")};
  const std::pair<std::string, std::vector<std::string>> loads[] = {
      {path("*.txt"), {path("a.txt"), path("b.txt")}}, {m_dir.string() + "/", all}, {m_dir.string(), all}};
  for (const auto& [pattern, files] : loads) {
    SCOPED_TRACE(pattern);
    load("$L", pattern);
    EXPECT_EQ(stored("$L"), std::to_string(files.size()));
    EXPECT_EQ(doc.fileList(), files);
    EXPECT_TRUE(hasStep("FileListLoad base path :", m_dir.string()));
    EXPECT_TRUE(hasStep("FileListLoad has loaded :", std::to_string(files.size()) + " file(s)"));
  }
  EXPECT_FALSE(doc.stopRequested());
}

TEST_F(FileListFunctions, GetClampsTheIndexToTheList) {
  EXPECT_EQ(run("FileListGet($NONE,1)").text, "");
  load("$L", m_dir.string() + "/");
  doc.setVariable("$SMALLEST", "-9223372036854775808");
  doc.setVariable("$LARGEST", "9223372036854775807");
  std::vector<std::string> files;
  for (const char* index : {"1", "999", "0", "$SMALLEST", "$LARGEST"}) {
    files.push_back(run(std::string("FileListGet($L,") + index + ")").text);
  }
  const std::string a = path("a.txt"), c = path("c.log");
  EXPECT_EQ(files, (std::vector<std::string>{a, c, a, a, c}));
  EXPECT_EQ(run("FileListGet($L,0)").type, 'C');
  EXPECT_TRUE(hasStep("FileListGet($L,2) result:", "File '" + path("c.log") + "'"));
  EXPECT_TRUE(hasStep("FileListGet($L,0) result:", "File '" + path("a.txt") + "'"));
  doc.setVariable("$L", "-9223372036854775808");
  EXPECT_EQ(run("FileListGet($L,$LARGEST)").text, "");
}

TEST_F(FileListFunctions, ANewListReplacesTheFilesButNotTheOldCountAndOnlyFoldersMatchingEmptiesIt) {
  load("$A", m_dir.string() + "/");
  load("$B", path("c.*"));
  EXPECT_EQ(stored("$A") + " " + stored("$B"), "3 1");
  EXPECT_EQ(run("FileListGet($A,3)").text, path("c.log"));
  load("$M", path("*.none"));
  EXPECT_EQ(stored("$M"), "0");
  EXPECT_EQ(doc.fileList().size(), 1u);
  load("$N", path("sub.*"));
  EXPECT_EQ(stored("$N"), "0");
  EXPECT_TRUE(doc.fileList().empty());
  EXPECT_TRUE(hasStep("FileListLoad has loaded :", "0 file(s)"));
  EXPECT_FALSE(doc.stopRequested());
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(FileListFunctions, MissingFolderStopsWithTwoMessages) {
  run("$L=5");
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

class FileListShapes : public FunctionTest,
                       public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(FileListShapes, RefusesPatternsOfTheWrongShape) {
  run(std::string("$P=") + GetParam().first);
  run("FileListLoad($L,$P)");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), std::vector<std::string>{GetParam().second});
  EXPECT_EQ(stored("$L"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    All, FileListShapes,
    ::testing::Values(std::pair{R"("ab")", "FctFileListLoad: Invalid 2nd argument path (1)"},
                      std::pair{R"("tmp/x")", "FctFileListLoad: Invalid 2nd argument path (2)"},
                      std::pair{R"("C:x\y")", "FctFileListLoad: Invalid 2nd argument path (2)"},
                      std::pair{R"("/"&Repeat("a",257))", "FileListLoad:Directory path is too long."}));

TEST_F(FileListFunctions, GetWithAnInvalidIndexStops) {
  load("$L", path("*.txt"));
  Value v = run(R"(FileListGet($L,"x"))");
  EXPECT_EQ(v.text, "");
  EXPECT_TRUE(doc.stopRequested());
  EXPECT_EQ(ui.messages(), (std::vector<std::string>{"x : Invalid number.", "FileListGet() : Invalid number."}));
}

}  // namespace
}  // namespace qlm::functiontest
