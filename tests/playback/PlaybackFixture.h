#pragma once
// A document playing on a simulated desktop, with its target selector and
// injection wired as the engine wires them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "playback/functions/PlaybackFunctions.h"
#include "language/Document.h"
#include "language/Interpreter.h"
#include "language/Services.h"
#include "platform/sim/SimDesktop.h"
#include "playback/Injection.h"
#include "playback/TargetSelection.h"

namespace qlm::testing {

class PlaybackTest : public ::testing::Test {
 protected:
  PlaybackTest() {
    doc.setPlatform(platform.get());
    doc.setTargetSelector(&selector);
  }

  WindowId window(std::string className, std::string title, bool textField = true) {
    SimWindowSpec spec;
    spec.className = std::move(className);
    spec.title = std::move(title);
    spec.textField = textField;
    spec.recordsClicks = true;
    return desktop->createWindow(spec);
  }

  // Evaluates every instruction of `text`; returns the last value.
  Value run(std::string_view text) {
    in.analyse(text);
    Value last;
    for (int k = 1; k <= in.analysis().instructionCount; ++k) last = in.evaluateInstruction(k);
    return last;
  }

  std::vector<SimEvent> injected() const {
    std::vector<SimEvent> events;
    for (const SimEvent& e : desktop->events()) {
      if (e.injected) events.push_back(e);
    }
    return events;
  }

  std::string lastMessage() const { return ui.messages().empty() ? std::string() : ui.messages().back(); }

  bool traced(std::string_view description, std::string_view text) const {
    for (const TraceEvent& e : trace.events()) {
      if (e.description == description && e.text == text) return true;
    }
    return false;
  }

  std::shared_ptr<SimDesktop> desktop = std::make_shared<SimDesktop>(1024, 768);
  std::unique_ptr<Platform> platform = makeSimPlatform(desktop);
  MessageLog ui;
  TraceLog trace;
  Document doc{ui, trace, *platform->clock};
  Interpreter in{doc, playbackFunctionBodies()};
  std::vector<std::string> notes;
  int lookupFailures = 0;
  TargetSelector selector{doc, *platform, 3000,
                          SelectionHooks{{}, [this](const std::string& text, int) { notes.push_back(text); },
                                         [this] { ++lookupFailures; }}};
  int syntheticPointer = 0;
  Injection injection{doc, *platform, selector, InjectionHooks{[this] { ++syntheticPointer; }, {}, {}, {}, {}}};
};

}  // namespace qlm::testing
