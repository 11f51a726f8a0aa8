#pragma once
// How an unattended run talks to its user: messages and title changes on
// the terminal, questions answered from stored answers, an answers file or
// the terminal, and never a hang when nobody can answer.
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "app/SystemResponse.h"

namespace qlm {

// question=button lines; the last '=' splits, so questions may hold '='.
class AnswerFile {
 public:
  static std::optional<AnswerFile> load(const std::string& path, std::string& error);
  std::optional<int> answerTo(const std::string& question) const;

 private:
  std::map<std::string, int, std::less<>> m_answers;
};

class TerminalAsker final : public Asker {
 public:
  TerminalAsker(const AnswerFile* answers, std::FILE* in, std::FILE* out, bool interactive);
  std::optional<UserAnswer> askUser(const Question& question) override;

 private:
  const AnswerFile* m_answers;
  std::FILE* m_in;
  std::FILE* m_out;
  bool m_interactive;
};

class HeadlessUi final : public UiService {
 public:
  HeadlessUi(SystemResponse& response, std::FILE* out);
  void showMessage(std::string_view text, std::string_view caption = {}) override;
  int ask(const Question& question) override { return m_response.ask(question); }
  std::string mainWindowTitle() const override { return m_title; }
  void setMainWindowTitle(std::string_view title) override;

 private:
  SystemResponse& m_response;
  std::FILE* m_out;
  std::string m_title;
};

}  // namespace qlm
