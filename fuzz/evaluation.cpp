// Analysis, syntax check and evaluation of arbitrary instruction texts, with
// variables that hold the extreme integers and a loaded file list, so that
// every integer argument meets the values that overflow or wrap round.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/Clock.h"

namespace {

// Virtual time; a wait that would outlast a day ends as the end key ends it.
class StillClock final : public qlm::Clock {
 public:
  std::int64_t nowMs() override { return m_now; }
  qlm::LocalTime localTime() override { return {2026, 1, 2, 3, 4, 5, 6}; }
  void sleep(std::int64_t ms, const std::function<void()>&) override {
    m_now += ms > 0 ? ms : 0;
    if (m_now > kDayMs && m_endKey != nullptr) *m_endKey = true;
  }
  void endWaitsWith(std::atomic<bool>& endKey) { m_endKey = &endKey; }

 private:
  static constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
  std::int64_t m_now = 0;
  std::atomic<bool>* m_endKey = nullptr;
};

class QuietUi final : public qlm::UiService {
 public:
  void showMessage(std::string_view, std::string_view) override {}
};

// These act on the files of the machine that runs the fuzzer.
bool touchesTheSystem(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (std::string_view name : {"filecopy", "filedelete", "filemove", "filelistload", "system"}) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
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
  clock.endWaitsWith(doc.flags().endKey);
  doc.fileList() = {"/tmp/a.txt", "/tmp/b.txt", "/tmp/c.txt"};
  doc.setVariable("$L", "3");
  doc.setVariable("$MIN", "-9223372036854775808");
  doc.setVariable("$MAX", "9223372036854775807");
  doc.setVariable("$WRAP", "4294967297");
  doc.setVariable("$NEG", "-2147483649");
  qlm::Interpreter in(doc);
  in.analyse(text);
  in.checkSyntax();
  for (int k = 0; k <= in.analysis().instructionCount + 1; ++k) in.evaluateInstruction(k);
  return 0;
}
