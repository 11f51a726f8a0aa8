#pragma once
// What the language needs from its surroundings. The GUI, the headless
// player and the tests each plug in their own implementation.
#include <string>
#include <string_view>
#include <vector>

namespace qlm {

// Messages the user must see: a dialog in the GUI, the terminal when
// headless, a list in tests.
class UiService {
 public:
  virtual ~UiService() = default;
  virtual void showMessage(std::string_view text, std::string_view caption = {}) = 0;
  virtual void bringMainWindowToFront() {}
  virtual std::string mainWindowTitle() const { return {}; }
  virtual void setMainWindowTitle(std::string_view /*title*/) {}
};

struct TraceEvent {
  int kind = 2;  // 1 before an instruction, 2 inside a function or operator, 3 after
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
  void bringMainWindowToFront() override { ++m_raised; }
  std::string mainWindowTitle() const override { return m_title; }
  void setMainWindowTitle(std::string_view title) override { m_title = title; m_titles.emplace_back(title); }

  const std::vector<std::string>& messages() const { return m_messages; }
  const std::vector<std::string>& titles() const { return m_titles; }
  int raisedCount() const { return m_raised; }

 private:
  std::vector<std::string> m_messages;
  std::vector<std::string> m_titles;
  std::string m_title;
  int m_raised = 0;
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
