#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "QlmRunner.h"

namespace qlm {
namespace {

using testing::runQlm;
namespace fs = std::filesystem;

class QlmPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::path(::testing::TempDir()) / ("qlm-play-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
    ASSERT_EQ(runQlm({"new", doc()}).status, 0);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  void append(const std::string& text, const std::string& title = "Editor") {
    auto run = runQlm({"append", doc(), "--kind", "K", "--class", "Edit", "--title", title, "--text", text,
                       "--picture", std::string(QLM_SOURCE_DIR) + "/examples/target.bmp"});
    ASSERT_EQ(run.status, 0) << run.err;
  }
  std::string doc() const { return (m_dir / "doc.qlm").string(); }
  std::string file(const std::string& name, const std::string& text) const {
    std::ofstream((m_dir / name).string()) << text;
    return (m_dir / name).string();
  }

  fs::path m_dir;
};

TEST_F(QlmPlay, DryRunShowsWhatEachTargetWouldReceive) {
  append("\"first\"", "-");
  append("\"Hello \"&$WHO&\"V[RETURN]\"");
  append("\"V[LBUTTON]\"");
  auto run = runQlm({"play", doc(), "$WHO=Ada", "--sim"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("window \"Editor\" (Edit)\n  typed: \"Hello Ada\n\"\n  click: button 2"), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("played to the end (3 records)"), std::string::npos) << run.err;
}

TEST_F(QlmPlay, QuestionsComeFromTheAnswersFileAndNeverHang) {
  append("Ask(\"Go on?\",\"Yes\",\"yes\",\"No\",Stop())");
  append("\"after\"");
  auto stopped = runQlm({"play", doc(), "--sim", "--answers", file("no.txt", "Go on?=2\n")});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_NE(stopped.err.find("stopped at line 1, instruction 1"), std::string::npos) << stopped.err;
  auto unanswered = runQlm({"play", doc(), "--sim"});
  EXPECT_EQ(unanswered.status, 1);
  EXPECT_NE(unanswered.err.find("No answer to the question \"Go on?\""), std::string::npos) << unanswered.err;
  auto answered = runQlm({"play", doc(), "--sim", "--answers", file("yes.txt", "Go on?=1\n")});
  EXPECT_EQ(answered.status, 0) << answered.err;
  EXPECT_NE(answered.out.find("typed: \"yes\""), std::string::npos) << answered.out;
  EXPECT_NE(answered.out.find("typed: \"after\""), std::string::npos) << answered.out;
}

TEST_F(QlmPlay, TraceEventsArePrintedOneALine) {
  append("$N=2; $N*3");
  auto run = runQlm({"play", doc(), "--sim", "--trace-events"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("trace 2 line 1.1: Value of variable $N change: From \"\" to 2\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("trace 3 line 1.2: \"6\"\n"), std::string::npos) << run.err;
}

TEST_F(QlmPlay, TraceIsWrittenAndItsPathPrinted) {
  std::string trace = (m_dir / "run.csv").string();
  append("Trace(1,\"\",\"" + trace + "\"); \"x;y\"");
  auto run = runQlm({"play", doc(), "--sim"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("trace written to " + trace), std::string::npos) << run.err;
  std::ifstream in(trace);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\"\"\"x;y\"\"\""), std::string::npos) << text;  // the output cell, quoted
}

TEST_F(QlmPlay, UsageAndUnreadableFilesExitWithTwo) {
  EXPECT_EQ(runQlm({"play"}).status, 2);
  EXPECT_EQ(runQlm({"play", doc(), "--bogus"}).status, 2);
  EXPECT_EQ(runQlm({"play", doc(), "stray", "--sim"}).status, 2);
  EXPECT_EQ(runQlm({"play", (m_dir / "missing.qlm").string(), "--sim"}).status, 2);
  EXPECT_EQ(runQlm({"play", file("bad.qlm", "not a document"), "--sim"}).status, 2);
}

}  // namespace
}  // namespace qlm
