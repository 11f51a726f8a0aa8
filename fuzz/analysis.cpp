// Analyses arbitrary text as an instruction, checks it, and walks every
// instruction range: none of it may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "language/Lexer.h"
#include "language/SyntaxChecker.h"

namespace {

constexpr std::size_t kMaxInput = 2000;

void checkSpan(const qlm::AnalysisState& state, qlm::InstructionSpan span) {
  if (span.start < 0 || span.end < span.start || span.end > state.length()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  if (size > kMaxInput) size = kMaxInput;
  // The first two bytes place the selection.
  const int selectionStart = data[0] * 8;
  const int selectionEnd = selectionStart + data[1];
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  static qlm::AnalysisState state;
  qlm::analyse(text, selectionStart, selectionEnd, state);
  const auto n = static_cast<std::size_t>(state.length());
  if (n > qlm::AnalysisState::kMaxLength || state.classes.size() != n || state.types.size() != n ||
      state.textColours.size() != n || state.backColours.size() != n) {
    __builtin_trap();
  }
  if (state.selectionStart < 0 || state.selectionStart > state.length() || state.selectionEnd < 0 ||
      state.selectionEnd > state.length()) {
    __builtin_trap();
  }
  const qlm::SyntaxResult result = qlm::checkSyntax(state);
  if (!result.ok && (result.selectionStart < 0 || result.selectionEnd > state.length() ||
                     result.selectionStart > result.selectionEnd)) {
    __builtin_trap();
  }
  for (int k = 0; k <= state.instructionCount + 1; ++k) checkSpan(state, qlm::instructionRange(state, k));
  return 0;
}
