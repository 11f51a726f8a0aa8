#pragma once
// What the analysis of one instruction text leaves behind for the evaluator,
// the syntax check, the editor's colouring and the debugger. The buffers are
// reused from one analysis to the next, so analysing does not allocate once
// they have grown to the longest text seen.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace qlm {

// Copied into the record by whoever edits it.
struct AnalysisFlags {
  int conditionLevel = 0;  // 0 none, 2 IfShape, 3 IfImage, 4 IfText
  int clickFlag = 0;       // 0 none, 1 mouse key in a literal, 2 inside a found branch
  int textFlag = 0;        // 0 none, 1 GetText, 2 a call inside a found branch
};

struct InstructionSpan {
  int start = 0;
  int end = 0;
  bool nonEmpty() const { return start < end; }
};

struct AnalysisState {
  static constexpr int kMaxLength = 1000;

  std::string text;     // normalised instruction
  std::string classes;  // one class letter per character of `text`
  std::string types;    // one type letter per character of `text`
  std::vector<Rgb> textColours;
  std::vector<Rgb> backColours;
  int selectionStart = 0;
  int selectionEnd = 0;
  int instructionCount = 1;
  AnalysisFlags flags;

  int length() const { return static_cast<int>(text.size()); }
  char classAt(int i) const { return classes[static_cast<std::size_t>(i)]; }
};

}  // namespace qlm
