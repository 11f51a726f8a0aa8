#include "app/HeadlessHost.h"

#include "language/Document.h"
#include "document/RecordImage.h"
#include "platform/TextEncoding.h"

namespace qlm {

HeadlessHost::HeadlessHost(Document& document, std::FILE* out) : m_document(document), m_out(out) {}

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

void HeadlessHost::showNote(std::string_view text) {
  std::fprintf(m_out, "(%s)\n", terminalText(text).c_str());
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
