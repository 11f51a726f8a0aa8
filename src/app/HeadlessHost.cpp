#include "app/HeadlessHost.h"

#include "language/Document.h"
#include "document/RecordImage.h"
#include "platform/TextEncoding.h"

namespace qlm {

HeadlessHost::HeadlessHost(Document& document, std::FILE* out, Overlay* overlay) : m_document(document), m_out(out) {
  if (overlay != nullptr) m_notes.emplace(document, *overlay);
}

int HeadlessHost::recordCount() { return m_document.records().count(); }

PlaybackRecord HeadlessHost::record(int index) {
  PlaybackRecord record;
  if (index < 0 || index >= recordCount()) {
    record.play = false;
    return record;
  }
  const RecordImage& image = m_document.records().record(index);
  record.instruction = image.text(TextField::Instruction);
  // A record that could not be read from a damaged file is never played.
  record.play = image.get(IntField::Play) != 0 && !m_document.records().damaged(index);
  record.erase = image.get(IntField::Erase) != 0;
  record.target.className = image.text(TextField::WindowClass);
  record.target.title = image.text(TextField::WindowTitle);
  // Records made for the desktop name a window that only the recording system has;
  // here they act on the whole screen, as records without a window do.
  if (record.target.className == kDesktopClass && record.target.title == kDesktopTitle) record.target.title = "-";
  record.target.clickPoint = image.click();
  WindowGeometry window = image.window();
  record.target.windowSizeValid = window.valid != 0;
  record.target.windowWidth = window.width;
  record.target.windowHeight = window.height;
  record.target.pictureWidth = window.width;
  record.target.pictureHeight = window.height;
  return record;
}

void HeadlessHost::selectRecord(int index) { m_document.records().setCurrentRecord(index); }

void HeadlessHost::pumpMessages() {
  if (m_notes) m_notes->expireNotice();
}

void HeadlessHost::showNote(std::string_view text) {
  std::fprintf(m_out, "(%s)\n", terminalText(text).c_str());
  if (m_notes) m_notes->showTextNotice(text);
}

void HeadlessHost::showTargetNote(std::string_view text) {
  if (m_notes) m_notes->showTargetNote(text);
}

void HeadlessHost::showClickNote(std::string_view text, const Rect& area) {
  if (m_notes) m_notes->showClickNote(text, area);
}

void HeadlessHost::closeTargetNote() {
  if (m_notes) m_notes->closeNotes();
}

void HeadlessHost::showPointNotice(Point at) {
  if (m_notes) m_notes->showPointNotice(at);
}

void HeadlessHost::playbackEnded() {
  if (m_notes) m_notes->closeAll();
}

void HeadlessHost::openTraceFile(std::string_view path) {
  std::fprintf(m_out, "Quillmote: trace written to %.*s\n", static_cast<int>(path.size()), path.data());
}

void PrintedTrace::traceEvent(const TraceEvent& event) {
  std::fprintf(m_out, "trace %d line %d.%d: %s%s%s\n", static_cast<int>(event.kind), event.line, event.instruction,
               terminalText(event.description).c_str(), event.description.empty() ? "" : " ",
               terminalText(event.text).c_str());
}

}  // namespace qlm
