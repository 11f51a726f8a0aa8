#include "app/SystemResponse.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "../document/TempFolder.h"

#include "app/HeadlessUi.h"
#include "platform/Settings.h"
#include "platform/posix/PosixParts.h"

namespace qlm {
namespace {

class ScriptedAsker final : public Asker {
 public:
  std::optional<UserAnswer> askUser(const Question&) override {
    ++asked;
    return answer;
  }
  std::optional<UserAnswer> answer;
  int asked = 0;
};

Question userQuestion(std::string text) {
  return {.text = std::move(text), .answers = {"Yes", "No"}, .section = "User Response", .rememberable = true};
}

class SystemResponseTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
  std::unique_ptr<Settings> settings = makeIniSettings(folder.path() / "user.ini", folder.path() / "none.conf");
  ScriptedAsker asker;
};

TEST_F(SystemResponseTest, StoredAnswerIsUsedWithoutAskingAndTraced) {
  TraceLog trace;
  SystemResponse response(settings.get(), &trace, asker);
  asker.answer = UserAnswer{2, true};
  EXPECT_EQ(response.ask(userQuestion("Go on?")), 2);
  EXPECT_EQ(settings->readString("User Response", "Go on?"), "2");
  EXPECT_EQ(response.ask(userQuestion("Go on?")), 2);
  EXPECT_EQ(asker.asked, 1);
  ASSERT_EQ(trace.events().size(), 1u);
  EXPECT_EQ(trace.events()[0].description + trace.events()[0].text, "Get saved response:2");
  // Another text is another question.
  EXPECT_EQ(response.ask(userQuestion("Go on? (2)")), 2);
  EXPECT_EQ(asker.asked, 2);
}
TEST_F(SystemResponseTest, ResumeQuestionIsNeverStoredAndNoAnswerOrOneOutOfRangeGivesZero) {
  SystemResponse response(settings.get(), nullptr, asker);
  const Question resume{.text = "Would you like to continue?", .answers = {"a", "b", "c"}};
  asker.answer = UserAnswer{3, true};
  EXPECT_EQ(response.ask(resume), 3);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "user.ini"));
  EXPECT_EQ(response.ask(userQuestion("q")), 0);
  asker.answer.reset();
  EXPECT_EQ(response.ask(userQuestion("q")), 0);
}

TEST_F(SystemResponseTest, AnswersQuestionsByTheirWholeTextAndRefusesBadLines) {
  auto write = [&](const std::string& text) {
    std::ofstream(folder.file("answers.txt")) << text;
    return folder.file("answers.txt");
  };
  std::string error;
  auto file = AnswerFile::load(write("# saved\nIs 1=1 true?=2\nCaf\xC3\xA9?=1\n"), error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->answerTo("Is 1=1 true?"), 2);
  EXPECT_EQ(file->answerTo("Caf\xE9?"), 1);
  EXPECT_EQ(file->answerTo("Other"), std::nullopt);
  EXPECT_FALSE(AnswerFile::load(write("no button here\n"), error));
  EXPECT_NE(error.find(":1: expected question=button"), std::string::npos);
  EXPECT_FALSE(AnswerFile::load("/nonexistent/answers", error));
}

TEST(TerminalAsker, AsksOnTheTerminalUntilAValidButton) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::fputs("7\n2!\n", in);
  std::rewind(in);
  TerminalAsker asker(nullptr, in, out, true);
  std::optional<UserAnswer> answer = asker.askUser(userQuestion("Go on?"));
  EXPECT_TRUE(answer && answer->button == 2 && answer->remember);
  EXPECT_FALSE(TerminalAsker(nullptr, in, out, false).askUser(userQuestion("Go on?")));
  std::fclose(in);
  std::fclose(out);
}

}  // namespace
}  // namespace qlm
