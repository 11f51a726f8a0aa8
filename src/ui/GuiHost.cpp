#include "ui/GuiHost.h"

#include <cstdio>
#include <optional>

#include "language/Document.h"
#include "platform/TextEncoding.h"

namespace qlm {

GuiHost::GuiHost(Document& document, QObject* parent)
    : QObject(parent), m_records(document, stderr), m_notes(document) {}

// The signals reach the windows through queued connections: these run on the playback thread.
void GuiHost::selectRecord(int index) { emit recordSelected(index); }

void GuiHost::showNote(std::string_view text) {
  emit noteShown(QString::fromStdString(utf8FromCp1252(text)));
  if (std::optional<OverlayNote> note = m_notes.textNotice(text)) emit noticeShown(VerboseNote::fromOverlayNote(*note));
}

void GuiHost::showTargetNote(std::string_view text) {
  if (std::optional<OverlayNote> note = m_notes.targetNote(text)) {
    emit targetNoteShown(VerboseNote::fromOverlayNote(*note));
  }
}

void GuiHost::showClickNote(std::string_view text, const Rect& area) {
  emit clickNoteShown(VerboseNote::fromOverlayNote(m_notes.clickNote(text, area)));
}

void GuiHost::showPointNotice(Point at) {
  emit noticeShown(VerboseNote::fromOverlayNote(PlaybackNotes::pointNotice(at)));
}

void GuiHost::closeTargetNote() { emit notesClosed(); }

void GuiHost::playbackStarted(std::string_view endKeyNotation) {
  emit started(QString::fromStdString(utf8FromCp1252(endKeyNotation)));
}

void GuiHost::playbackEnded() { emit ended(); }

void GuiHost::openTraceFile(std::string_view path) { emit traceFileWritten(QString::fromStdString(std::string(path))); }

void GuiHost::closeProgram() { emit closeRequested(); }

}  // namespace qlm
