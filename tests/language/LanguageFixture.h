#pragma once
// A document with recording services and a hand-driven clock, and an
// interpreter on it: what every language test starts from.
#include <gtest/gtest.h>

#include <algorithm>

#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/Clock.h"

namespace qlm::testing {

class ManualClock final : public Clock {
 public:
  std::int64_t nowMs() override { return m_now; }
  LocalTime localTime() override { return m_local; }
  void sleep(std::int64_t ms, const std::function<void()>& pump) override {
    m_now += ms > 0 ? ms : 0;
    if (pump) pump();
  }

  void advance(std::int64_t ms) { m_now += ms; }
  void setLocalTime(const LocalTime& local) { m_local = local; }

 private:
  std::int64_t m_now = 1'000'000;
  LocalTime m_local{2026, 3, 5, 7, 4, 9, 0};
};

class LanguageTest : public ::testing::Test {
 protected:
  // Analyses `text` and evaluates its instructions in order; returns the last value.
  Value run(std::string_view text) {
    in.analyse(text);
    Value last;
    for (int k = 1; k <= in.analysis().instructionCount; ++k) last = in.evaluateInstruction(k);
    return last;
  }
  std::string stored(std::string_view name) const { return doc.readVariable(name).form; }
  std::string lastMessage() const { return ui.messages().empty() ? std::string() : ui.messages().back(); }
  // The steps the functions reported.
  std::vector<TraceEvent> stepEvents() const {
    std::vector<TraceEvent> steps;
    for (const TraceEvent& event : trace.events()) {
      if (event.kind == TraceStep::InFunction) steps.push_back(event);
    }
    return steps;
  }
  bool hasStep(std::string_view description, std::string_view text) const {
    return std::ranges::any_of(stepEvents(),
                               [&](const TraceEvent& e) { return e.description == description && e.text == text; });
  }

  MessageLog ui;
  TraceLog trace;
  ManualClock clock;
  Document doc{ui, trace, clock};
  Interpreter in{doc};
};

}  // namespace qlm::testing
