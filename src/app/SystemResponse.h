#pragma once
// The program's one question: a stored answer is used without asking; else
// whoever can answer (a dialog, an answers file, the terminal) is asked, and
// the answer is stored when the user wants it and the question allows it.
#include <optional>

#include "language/Services.h"

namespace qlm {

class Settings;

struct UserAnswer {
  int button = 0;         // 1-based
  bool remember = false;  // "Do not ask again."
};

class Asker {
 public:
  virtual ~Asker() = default;
  // Nothing when nobody can answer.
  virtual std::optional<UserAnswer> askUser(const Question& question) = 0;
};

class SystemResponse {
 public:
  SystemResponse(Settings* settings, TraceSink* trace, Asker& asker);
  // Ask(entry): the button number, 0 when nobody could answer.
  int ask(const Question& question);

 private:
  Settings* m_settings;
  TraceSink* m_trace;
  Asker& m_asker;
};

}  // namespace qlm
