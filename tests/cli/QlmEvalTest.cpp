#include <gtest/gtest.h>

#include "QlmRunner.h"

namespace qlm {
namespace {

using testing::runQlm;

// Variables given on the command line are applied by the reset, before the instructions run.
TEST(QlmEval, PrintsOneObjectWithAnalysisResultsAndVariables) {
  auto run = runQlm({"eval", "--json", "$x = 3 ;$Y=$X*2+1; \"a\"&$Y;; If($Y>5,\"big\",\"small\"); $name&\"-\"&$N",
                     "$name=\"Jo Smith\"", "$N", "5"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"text\":\"$X=3; $Y=$X*2+1; \\\"a\\\"&$Y; ; If($Y>5,\\\"big\\\",\\\"small\\\"); $NAME&\\\"-\\\"&$N\","
            "\"instructions\":6,\"condition_level\":0,\"click_flag\":0,\"text_flag\":0,\"syntax\":\"ok\","
            "\"results\":[{\"value\":\"\",\"type\":\"C\"},{\"value\":\"\",\"type\":\"C\"},"
            "{\"value\":\"a7\",\"type\":\"C\"},{\"value\":\"\",\"type\":\"?\"},{\"value\":\"big\",\"type\":\"C\"},"
            "{\"value\":\"Jo Smith-5\",\"type\":\"C\"}],"
            "\"variables\":{\"$TFORMAT\":\"LNUM.INUM;INSTRUCTION;DESC1;DESC2;ISELECTED;IFOUND;OUTPUT;TARGET\","
            "\"$TIME\":\"HH:MM:SS\",\"$DATE\":\"YYYY/MM/DD\",\"$NAME\":\"\\\"Jo Smith\\\"\",\"$N\":\"5\",\"$X\":\"3\","
            "\"$Y\":\"7\"},\"messages\":[],\"stop_request\":false}\n");
}

TEST(QlmEval, ReportsTheSyntaxMessageMessagesAndTheStopRequest) {
  auto run = runQlm({"eval", "--json", "If($A=1,\"x\",\"y\"); 7%0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\"syntax\":\"You cannot use a variable with the operator '='.\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"Division by zero is imposible.\"]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"stop_request\":true"), std::string::npos);
}

TEST(QlmEval, PlainOutputIsOneLinePerInstructionInUtf8AndReadsWorkbooks) {
  const std::string book = std::string(QLM_TEST_DATA_DIR) + "/workbooks/book.xlsx";
  auto run = runQlm({"eval", "\"caf\xC3\xA9\"; 1+1; XlsReadData(\"" + book + "\",1,\"C2\")"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "caf\xC3\xA9\n2\n7.1\n");
}

}  // namespace
}  // namespace qlm
