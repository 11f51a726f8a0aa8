#include "ui/GuiHost.h"

#include <algorithm>
#include <cstdio>

#include "language/Document.h"
#include "platform/Platform.h"
#include "platform/Windows.h"
#include "platform/TextEncoding.h"

namespace qlm {

namespace {
constexpr int kNoteHeight = 22;
// Notes of steps quicker than this would only flicker.
constexpr long long kQuickStepMs = 300;
}  // namespace

GuiHost::GuiHost(Document& document, QObject* parent)
    : QObject(parent), m_document(document), m_records(document, stderr) {}

// The signals reach the windows through queued connections: these run on the playback thread.
void GuiHost::selectRecord(int index) { emit recordSelected(index); }

void GuiHost::showNote(std::string_view text) {
  const QString shown = QString::fromStdString(utf8FromCp1252(text));
  emit noteShown(shown);
  VerboseNote note;
  note.area = foregroundTop();
  note.status = shown;
  if (!note.area.isEmpty()) emit noticeShown(note);
}

QRect GuiHost::foregroundTop() const {
  Platform* platform = m_document.platform();
  if (platform == nullptr || !platform->windows) return {};
  Windows& windows = *platform->windows;
  const WindowId foreground = windows.foreground();
  if (foreground == kNoWindow) return {};
  const std::optional<Rect> rect = windows.rect(foreground);
  if (!rect) return {};
  const DesktopInfo screen = windows.desktop();
  const int left = std::max(rect->left, 0);
  const int top = std::max(rect->top, 0);
  const int right = std::min(rect->right, screen.width);
  const int bottom = std::min({rect->bottom, screen.height, top + kNoteHeight});
  if (right <= left || bottom <= top) return {};
  return QRect(left, top, right - left, bottom - top);
}

void GuiHost::showTargetNote(std::string_view text) {
  const int level = m_document.traceSettings().verboseLevel;
  if (level < 1 || m_document.clock().nowMs() - m_document.chronoStart() <= kQuickStepMs) return;
  VerboseNote note;
  note.level = level;
  note.area = foregroundTop();
  note.status = QString::fromStdString(utf8FromCp1252(text));
  if (!note.area.isEmpty()) emit targetNoteShown(note);
}

void GuiHost::showClickNote(std::string_view text, const Rect& area) {
  VerboseNote note;
  note.level = m_document.traceSettings().verboseLevel;
  note.area = QRect(area.left, area.top, area.width(), area.height());
  note.marker = QPoint(20, 20);
  note.label = QString::fromStdString(utf8FromCp1252(text));
  emit clickNoteShown(note);
}

void GuiHost::closeTargetNote() { emit notesClosed(); }

void GuiHost::playbackStarted(std::string_view endKeyNotation) {
  emit started(QString::fromStdString(utf8FromCp1252(endKeyNotation)));
}

void GuiHost::playbackEnded() { emit ended(); }

void GuiHost::openTraceFile(std::string_view path) { emit traceFileWritten(QString::fromStdString(std::string(path))); }

void GuiHost::closeProgram() { emit closeRequested(); }

}  // namespace qlm
