#include "playback/DesktopOutput.h"

#include "language/Document.h"

namespace qlm {
namespace {

SelectionHooks selectionHooks(PlaybackHost& host) {
  SelectionHooks hooks;
  hooks.pump = [&host] { host.pumpMessages(); };
  hooks.showNote = [&host](const std::string& text, int) { host.showNote(text); };
  return hooks;
}

InjectionHooks injectionHooks(PlaybackHost& host) {
  InjectionHooks hooks;
  hooks.openNote = [&host](const std::string& text, const Rect& area) { host.showClickNote(text, area); };
  hooks.closeNotes = [&host] { host.closeTargetNote(); };
  hooks.showPointNotice = [&host](Point at) { host.showPointNotice(at); };
  hooks.pump = [&host] { host.pumpMessages(); };
  return hooks;
}

}  // namespace

DesktopOutput::DesktopOutput(Document& document, Platform& platform, PlaybackHost& host, int notRespondingWaitMs)
    : m_document(document),
      m_platform(platform),
      m_selector(document, platform, notRespondingWaitMs, selectionHooks(host)),
      m_injection(document, platform, m_selector, injectionHooks(host)) {
  // IfWindow and the image conditions share the lookup results of playback.
  m_document.setTargetSelector(&m_selector);
}

DesktopOutput::~DesktopOutput() { m_document.setTargetSelector(nullptr); }

// At the start and the end of a playback: no record has a window yet.
void DesktopOutput::releaseModifiers() {
  m_selector.forgetRecordTarget();
  m_injection.releaseModifiers();
}

void DesktopOutput::prepareInstruction(const RecordTarget& record) {
  m_selector.clearMatchKind();
  m_selector.applyResize(record);
}

bool DesktopOutput::findTarget(const RecordTarget& record) {
  return m_selector.findRecordTarget(record.className, record.title, "AppWait");
}

void DesktopOutput::sendText(std::string_view text, const RecordTarget& record) {
  m_injection.readSettings();
  m_injection.sendText(text, record);
}

// The whole screen for a whole-screen record, else the target, which the
// lookup before has brought to the front.
void DesktopOutput::captureForTrace(std::string_view title) {
  const bool wholeScreen = !title.empty() && title.front() == '-';
  m_document.captureBuffer().captureScreen(m_platform,
                                           wholeScreen ? CaptureSource::WholeScreen : CaptureSource::ForegroundWindow);
}

}  // namespace qlm
