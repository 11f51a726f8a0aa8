#pragma once
// Helpers for the tests of the built-in functions: trace steps and tables of
// instruction texts with their expected values.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "LanguageFixture.h"

namespace qlm::functiontest {

struct EvalCase {
  std::string instruction;
  std::string text;
  char type;
};

inline void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.instruction; }

class FunctionTest : public qlm::testing::LanguageTest {
 protected:
  Value eval(std::string_view text) { return run(text); }

  void setTimeOfDay(int hour, int minute, int second) {
    clock.setLocalTime(LocalTime{2026, 3, 5, hour, minute, second, 0});
  }

  std::vector<TraceEvent> stepEvents() const {
    std::vector<TraceEvent> steps;
    for (const TraceEvent& event : trace.events()) {
      if (event.kind == TraceStep::InFunction) steps.push_back(event);
    }
    return steps;
  }

  bool hasStep(std::string_view description, std::string_view text) const {
    for (const TraceEvent& event : stepEvents()) {
      if (event.description == description && event.text == text) return true;
    }
    return false;
  }
};

class FunctionTableTest : public FunctionTest, public ::testing::WithParamInterface<EvalCase> {
 protected:
  void expectCase() {
    const EvalCase& c = GetParam();
    Value v = eval(c.instruction);
    EXPECT_EQ(v.text, c.text);
    EXPECT_EQ(v.type, c.type);
    EXPECT_FALSE(doc.stopRequested());
    EXPECT_TRUE(ui.messages().empty());
  }
};

}  // namespace qlm::functiontest
