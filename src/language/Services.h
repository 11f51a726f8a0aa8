#pragma once
// What the language needs from its surroundings. The GUI, the headless
// player and the tests each plug in their own implementation.
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// A question of the system response dialog: one, two or three answers.
struct Question {
  std::string title = "System Response";
  std::string text;
  std::vector<std::string> answers;
  std::string section = "System Response";  // where saved answers of this question live
  bool rememberable = false;                // the user may store the answer and not be asked again
};

// Messages the user must see: a dialog in the GUI, the terminal when
// headless, a list in tests.
class UiService {
 public:
  virtual ~UiService() = default;
  virtual void showMessage(std::string_view text, std::string_view caption = {}) = 0;
  // The 1-based answer; 0 when nobody can answer (an unattended run), and the
  // caller must then stop rather than guess.
  virtual int ask(const Question& /*question*/) { return 0; }
  virtual void bringMainWindowToFront() {}
  virtual std::string mainWindowTitle() const { return {}; }
  virtual void setMainWindowTitle(std::string_view /*title*/) {}
  // Draws the user's eye to the main window's taskbar button for `ms` milliseconds.
  virtual void flashMainWindow(int /*ms*/) {}
};

// Printed traces show the numbers.
enum class TraceStep { BeforeInstruction = 1, InFunction = 2, AfterInstruction = 3 };

struct TraceEvent {
  TraceStep kind = TraceStep::InFunction;
  int line = 0;
  int instruction = 0;
  std::string description;
  std::string text;
};

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void traceEvent(const TraceEvent& event) = 0;
};

// Keeps what was shown, for qlm's reports and for tests.
class MessageLog final : public UiService {
 public:
  void showMessage(std::string_view text, std::string_view caption = {}) override;
  int ask(const Question& question) override {
    m_questions.push_back(question);
    if (m_answers.empty()) return 0;
    int answer = m_answers.front();
    m_answers.erase(m_answers.begin());
    return answer;
  }
  // Answers given to the next questions, in order.
  void queueAnswers(std::vector<int> answers) { m_answers = std::move(answers); }
  const std::vector<Question>& questions() const { return m_questions; }
  void bringMainWindowToFront() override { ++m_raised; }
  std::string mainWindowTitle() const override { return m_title; }
  void setMainWindowTitle(std::string_view title) override { m_title = title; m_titles.emplace_back(title); }
  void flashMainWindow(int) override { ++m_flashes; }
  int flashCount() const { return m_flashes; }

  const std::vector<std::string>& messages() const { return m_messages; }
  const std::vector<std::string>& titles() const { return m_titles; }
  int raisedCount() const { return m_raised; }

 private:
  std::vector<std::string> m_messages;
  std::vector<std::string> m_titles;
  std::vector<Question> m_questions;
  std::vector<int> m_answers;
  std::string m_title;
  int m_raised = 0;
  int m_flashes = 0;
};

class TraceLog final : public TraceSink {
 public:
  void traceEvent(const TraceEvent& event) override { m_events.push_back(event); }
  const std::vector<TraceEvent>& events() const { return m_events; }
  void clear() { m_events.clear(); }

 private:
  std::vector<TraceEvent> m_events;
};

class NullTrace final : public TraceSink {
 public:
  void traceEvent(const TraceEvent&) override {}
};

}  // namespace qlm
