#pragma once
// Playback's output on a real or simulated desktop: the target application
// is looked up and brought forward, then the output is typed and clicked.
#include "playback/Injection.h"
#include "playback/PlaybackHost.h"
#include "playback/TargetSelection.h"

namespace qlm {

class DesktopOutput final : public PlaybackOutput {
 public:
  DesktopOutput(Document& document, Platform& platform, PlaybackHost& host, int notRespondingWaitMs);
  ~DesktopOutput() override;

  void releaseModifiers() override;
  void prepareInstruction(const RecordTarget& record) override;
  bool findTarget(const RecordTarget& record) override;
  void sendText(std::string_view text, const RecordTarget& record) override;
  void captureForTrace(std::string_view title) override;
  bool targetLost() override { return m_selector.recordTargetLost(); }

  TargetSelector& selector() { return m_selector; }

 private:
  Document& m_document;
  Platform& m_platform;
  TargetSelector m_selector;
  Injection m_injection;
};

}  // namespace qlm
