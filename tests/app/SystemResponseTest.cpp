#include "app/SystemResponse.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "app/HeadlessUi.h"
#include "platform/Settings.h"

namespace qlm {
namespace {

class MemorySettings final : public Settings {
 public:
  std::optional<std::string> readString(std::string_view section, std::string_view entry) override {
    auto found = values.find(std::string(section) + "|" + std::string(entry));
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  bool writeString(std::string_view section, std::string_view entry, std::string_view value) override {
    values[std::string(section) + "|" + std::string(entry)] = value;
    return true;
  }
  std::optional<std::string> machineValue(std::string_view) override { return std::nullopt; }

  std::map<std::string, std::string> values;
};

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
  Question question;
  question.text = std::move(text);
  question.answers = {"Yes", "No"};
  question.section = "User Response";
  question.rememberable = true;
  return question;
}

TEST(SystemResponse, StoredAnswerIsUsedWithoutAskingAndTraced) {
  MemorySettings settings;
  TraceLog trace;
  ScriptedAsker asker;
  SystemResponse response(&settings, &trace, asker);
  asker.answer = UserAnswer{2, true};
  EXPECT_EQ(response.ask(userQuestion("Go on?")), 2);
  EXPECT_EQ(settings.values["User Response|Go on?"], "2");
  EXPECT_EQ(response.ask(userQuestion("Go on?")), 2);
  EXPECT_EQ(asker.asked, 1);
  ASSERT_EQ(trace.events().size(), 1u);
  EXPECT_EQ(trace.events()[0].description, "Get saved response:");
  EXPECT_EQ(trace.events()[0].text, "2");
  // Another text is another question.
  EXPECT_EQ(response.ask(userQuestion("Go on? (2)")), 2);
  EXPECT_EQ(asker.asked, 2);
}

TEST(SystemResponse, ResumeQuestionIsNeverStored) {
  MemorySettings settings;
  ScriptedAsker asker;
  SystemResponse response(&settings, nullptr, asker);
  Question resume;
  resume.text = "Would you like to continue?";
  resume.answers = {"a", "b", "c"};
  asker.answer = UserAnswer{3, true};
  EXPECT_EQ(response.ask(resume), 3);
  EXPECT_TRUE(settings.values.empty());
}

TEST(SystemResponse, NobodyToAnswerOrAnAnswerOutOfRangeGivesZero) {
  ScriptedAsker asker;
  SystemResponse response(nullptr, nullptr, asker);
  EXPECT_EQ(response.ask(userQuestion("q")), 0);
  asker.answer = UserAnswer{3, false};
  EXPECT_EQ(response.ask(userQuestion("q")), 0);
}

class AnswerFileTest : public ::testing::Test {
 protected:
  std::string write(const std::string& text) {
    std::ofstream(m_path) << text;
    return m_path;
  }
  void TearDown() override { std::remove(m_path.c_str()); }
  std::string m_path = ::testing::TempDir() + "answers.txt";
};

TEST_F(AnswerFileTest, AnswersQuestionsByTheirWholeTextAndRefusesBadLines) {
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
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->button, 2);
  EXPECT_TRUE(answer->remember);
  EXPECT_FALSE(TerminalAsker(nullptr, in, out, false).askUser(userQuestion("Go on?")));
  std::fclose(in);
  std::fclose(out);
}

}  // namespace
}  // namespace qlm
