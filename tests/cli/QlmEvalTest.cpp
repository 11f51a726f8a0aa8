#include <gtest/gtest.h>

#include "QlmRunner.h"

namespace qlm {
namespace {

using testing::runQlm;

TEST(QlmEval, PrintsOneObjectWithAnalysisResultsAndVariables) {
  auto run = runQlm({"eval", "--json", "$x = 3 ;$Y=$X*2+1; \"a\"&$Y;; If($Y>5,\"big\",\"small\")"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"text\":\"$X=3; $Y=$X*2+1; \\\"a\\\"&$Y; ; If($Y>5,\\\"big\\\",\\\"small\\\")\","
            "\"instructions\":5,\"condition_level\":0,\"click_flag\":0,\"text_flag\":0,\"syntax\":\"ok\","
            "\"results\":[{\"value\":\"\",\"type\":\"C\"},{\"value\":\"\",\"type\":\"C\"},"
            "{\"value\":\"a7\",\"type\":\"C\"},{\"value\":\"\",\"type\":\"?\"},{\"value\":\"big\",\"type\":\"C\"}],"
            "\"variables\":{\"$TFORMAT\":\"LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET\","
            "\"$TIME\":\"HH:MM:SS\",\"$DATE\":\"YYYY/MM/DD\",\"$X\":\"3\",\"$Y\":\"7\"},"
            "\"messages\":[],\"stop_request\":false}\n");
}

TEST(QlmEval, ReportsTheSyntaxMessageMessagesAndTheStopRequest) {
  auto run = runQlm({"eval", "--json", "If($A=1,\"x\",\"y\"); 7%0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"syntax\":\"You cannot use a variable with the operator '='.\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"Division by zero is imposible.\"]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"stop_request\":true"), std::string::npos);
}

TEST(QlmEval, CommandLineVariablesAreAppliedByTheReset) {
  auto run = runQlm({"eval", "--json", "$name&\"-\"&$N", "$name=\"Jo Smith\"", "$N", "5"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("{\"value\":\"Jo Smith-5\",\"type\":\"C\"}"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"$NAME\":\"\\\"Jo Smith\\\"\",\"$N\":\"5\""), std::string::npos) << run.out;
}

TEST(QlmEval, PlainOutputIsOneLinePerInstructionInUtf8) {
  auto run = runQlm({"eval", "\"caf\xC3\xA9\"; 1+1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "caf\xC3\xA9\n2\n");
}

TEST(QlmEval, ReadsWorkbookCells) {
  std::string book = std::string(QLM_TEST_DATA_DIR) + "/workbooks/book.xlsx";
  auto run = runQlm({"eval", "XlsReadData(\"" + book + "\",1,\"C2\")"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "7.1\n");
}

TEST(QlmEval, UsageErrorsExitWithTwo) {
  EXPECT_EQ(runQlm({"eval"}).status, 2);
  EXPECT_EQ(runQlm({"eval", "1", "$A"}).status, 2);
  EXPECT_EQ(runQlm({"eval", "1", "stray"}).status, 2);
  EXPECT_EQ(runQlm({"nonsense"}).status, 2);
}

}  // namespace
}  // namespace qlm
