#include "app/SystemResponse.h"

#include <string>

#include "language/Value.h"
#include "platform/Settings.h"

namespace qlm {

SystemResponse::SystemResponse(Settings* settings, TraceSink* trace, Asker& asker)
    : m_settings(settings), m_trace(trace), m_asker(asker) {}

int SystemResponse::ask(const Question& question) {
  int buttons = static_cast<int>(question.answers.size());
  // Read without writing a default back: 0 must stay "no stored answer".
  std::optional<std::string> stored = m_settings ? m_settings->readString(question.section, question.text) : std::nullopt;
  long long saved = stored ? toInteger(*stored) : 0;
  if (saved >= 1 && saved <= buttons) {
    if (m_trace) {
      TraceEvent event;
      event.kind = TraceStep::InFunction;
      event.description = "Get saved response:";
      event.text = std::to_string(saved);
      m_trace->traceEvent(event);
    }
    return static_cast<int>(saved);
  }
  std::optional<UserAnswer> answer = m_asker.askUser(question);
  if (!answer || answer->button < 1 || answer->button > buttons) return 0;
  // 0 always means "ask", so it is never stored.
  if (question.rememberable && answer->remember && m_settings) {
    m_settings->writeString(question.section, question.text, std::to_string(answer->button));
  }
  return answer->button;
}

}  // namespace qlm
