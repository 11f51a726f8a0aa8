#pragma once
// A document with recording services and a hand-driven clock, and an
// interpreter on it: what every language test starts from.
#include <gtest/gtest.h>

#include "document/CQuillmoteDoc.h"
#include "language/Interpreter.h"
#include "language/Services.h"

namespace qlm::testing {

class ManualClock final : public Clock {
 public:
  long long nowMilliseconds() override { return m_now; }
  std::tm localTime() override { return m_local; }
  void sleepMilliseconds(long long ms) override { m_now += ms; }

  void advance(long long ms) { m_now += ms; }
  void setLocalTime(int hour, int minute, int second) {
    m_local.tm_hour = hour;
    m_local.tm_min = minute;
    m_local.tm_sec = second;
  }

 private:
  long long m_now = 1'000'000;
  std::tm m_local{};
};

class LanguageTest : public ::testing::Test {
 protected:
  // Analyses `text` and evaluates its instructions in order; returns the last value.
  Value run(std::string_view text) {
    in.Analyse(text);
    Value last;
    for (int k = 1; k <= in.analysis().instructionCount; ++k) last = in.EvaluateInstruction(k);
    return last;
  }
  std::string stored(std::string_view name) const { return doc.GetVariable(name).form; }
  std::string lastMessage() const { return ui.messages().empty() ? std::string() : ui.messages().back(); }

  MessageLog ui;
  TraceLog trace;
  ManualClock clock;
  CQuillmoteDoc doc{ui, trace, clock};
  Interpreter in{doc};
};

}  // namespace qlm::testing
