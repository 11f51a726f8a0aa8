// Analysis, syntax check and evaluation of arbitrary instruction texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/Clock.h"

namespace {

class StillClock final : public qlm::Clock {
 public:
  std::int64_t nowMs() override { return m_now; }
  qlm::LocalTime localTime() override { return {2026, 1, 2, 3, 4, 5, 6}; }
  void sleep(std::int64_t ms, const std::function<void()>&) override { m_now += ms > 0 ? ms : 0; }

 private:
  std::int64_t m_now = 0;
};

class QuietUi final : public qlm::UiService {
 public:
  void showMessage(std::string_view, std::string_view) override {}
};

// File and command functions would act on the machine that runs the fuzzer.
bool touchesTheSystem(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower.find("file") != std::string::npos || lower.find("system") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2000) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (touchesTheSystem(text)) return 0;
  QuietUi ui;
  qlm::NullTrace trace;
  StillClock clock;
  qlm::Document doc(ui, trace, clock);
  qlm::Interpreter in(doc);
  in.analyse(text);
  in.checkSyntax();
  for (int k = 0; k <= in.analysis().instructionCount + 1; ++k) in.evaluateInstruction(k);
  return 0;
}
