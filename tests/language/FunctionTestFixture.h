#pragma once
// A document with recorded messages and trace events, a clock the test sets,
// and an interpreter that evaluates one instruction text.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/CQuillmoteDoc.h"
#include "language/Interpreter.h"
#include "language/VariableTable.h"
#include "platform/Clock.h"

namespace qlm::functiontest {

class FakeClock final : public Clock {
 public:
  std::int64_t nowMs() override { return m_now; }
  LocalTime localTime() override { return m_local; }
  void sleep(std::int64_t ms, const std::function<void()>& pump) override {
    m_now += ms > 0 ? ms : 0;
    if (pump) pump();
  }

  void advance(long long ms) { m_now += ms; }
  void setTimeOfDay(int hour, int minute, int second) {
    m_local.hour = hour;
    m_local.minute = minute;
    m_local.second = second;
  }

 private:
  std::int64_t m_now = 1'000'000;
  LocalTime m_local{2026, 3, 5, 10, 20, 30, 0};
};

struct EvalCase {
  std::string instruction;
  std::string text;
  char type;
};

inline void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.instruction; }

class FunctionTest : public ::testing::Test {
 protected:
  Value eval(std::string_view text) {
    in.Analyse(text);
    return in.EvaluateInstruction(1);
  }

  // Stored form of a variable, as the table keeps it.
  std::string stored(std::string_view name) const { return doc.GetVariable(name).form; }

  std::vector<TraceEvent> stepEvents() const {
    std::vector<TraceEvent> steps;
    for (const TraceEvent& event : trace.events()) {
      if (event.kind == 2) steps.push_back(event);
    }
    return steps;
  }

  bool hasStep(std::string_view description, std::string_view text) const {
    for (const TraceEvent& event : stepEvents()) {
      if (event.description == description && event.text == text) return true;
    }
    return false;
  }

  MessageLog ui;
  TraceLog trace;
  FakeClock clock;
  CQuillmoteDoc doc{ui, trace, clock};
  Interpreter in{doc};
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
