#include "trace/PlaybackNotes.h"

#include <algorithm>

#include "language/Document.h"
#include "platform/Platform.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {
constexpr int kNoteHeight = 22;
constexpr long long kQuickStepMs = 300;
constexpr int kPointNoticeSize = 30;
constexpr Point kClickMarker{20, 20};
}  // namespace

std::optional<Rect> PlaybackNotes::foregroundTop() const {
  Platform* platform = m_document.platform();
  if (platform == nullptr || !platform->windows) return std::nullopt;
  Windows& windows = *platform->windows;
  const WindowId foreground = windows.foreground();
  if (foreground == kNoWindow) return std::nullopt;
  const std::optional<Rect> rect = windows.rect(foreground);
  if (!rect) return std::nullopt;
  const DesktopInfo screen = windows.desktop();
  const Rect top{std::max(rect->left, 0), std::max(rect->top, 0), std::min(rect->right, screen.width),
                 std::min({rect->bottom, screen.height, std::max(rect->top, 0) + kNoteHeight})};
  if (top.width() <= 0 || top.height() <= 0) return std::nullopt;
  return top;
}

std::optional<OverlayNote> PlaybackNotes::targetNote(std::string_view text) const {
  const int level = m_document.traceSettings().verboseLevel;
  if (level < 1 || m_document.clock().nowMs() - m_document.chronoStart() <= kQuickStepMs) return std::nullopt;
  const std::optional<Rect> area = foregroundTop();
  if (!area) return std::nullopt;
  OverlayNote note;
  note.level = level;
  note.area = *area;
  note.status = utf8FromCp1252(text);
  return note;
}

OverlayNote PlaybackNotes::clickNote(std::string_view text, const Rect& area) const {
  OverlayNote note;
  note.level = m_document.traceSettings().verboseLevel;
  note.area = area;
  note.marker = kClickMarker;
  note.label = utf8FromCp1252(text);
  return note;
}

std::optional<OverlayNote> PlaybackNotes::textNotice(std::string_view text) const {
  const std::optional<Rect> area = foregroundTop();
  if (!area) return std::nullopt;
  OverlayNote note;
  note.area = *area;
  note.status = utf8FromCp1252(text);
  return note;
}

OverlayNote PlaybackNotes::pointNotice(Point at) {
  OverlayNote note;
  const int half = kPointNoticeSize / 2;
  note.area = Rect::fromSize(at.x - half, at.y - half, kPointNoticeSize, kPointNoticeSize);
  note.marker = Point{half, half};
  return note;
}

OverlayNotes::OverlayNotes(Document& document, Overlay& overlay)
    : m_notes(document), m_overlay(overlay), m_clock(document.clock()) {}

void OverlayNotes::showTargetNote(std::string_view text) {
  if (std::optional<OverlayNote> note = m_notes.targetNote(text)) m_overlay.show(OverlaySlot::Target, *note);
}

void OverlayNotes::showClickNote(std::string_view text, const Rect& area) {
  m_overlay.show(OverlaySlot::Click, m_notes.clickNote(text, area));
}

void OverlayNotes::closeNotes() {
  m_overlay.hide(OverlaySlot::Target);
  m_overlay.hide(OverlaySlot::Click);
}

void OverlayNotes::showTextNotice(std::string_view text) {
  if (std::optional<OverlayNote> note = m_notes.textNotice(text)) showNotice(*note);
}

void OverlayNotes::showPointNotice(Point at) { showNotice(PlaybackNotes::pointNotice(at)); }

void OverlayNotes::showNotice(const OverlayNote& note) {
  m_overlay.show(OverlaySlot::Notice, note);
  m_noticeEnd = m_clock.nowMs() + PlaybackNotes::kNoticeMs;
}

void OverlayNotes::expireNotice() {
  if (!m_noticeEnd || m_clock.nowMs() < *m_noticeEnd) return;
  m_noticeEnd.reset();
  m_overlay.hide(OverlaySlot::Notice);
}

void OverlayNotes::closeAll() {
  closeNotes();
  m_noticeEnd.reset();
  m_overlay.hide(OverlaySlot::Notice);
}

}  // namespace qlm
