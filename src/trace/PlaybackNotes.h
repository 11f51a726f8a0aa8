#pragma once
// The verbose notes of a playback as the document asks for them: where each
// lies, at which level and what it says. The desktop application draws them
// in its own windows, qlm play on the desktop's overlay.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Geometry.h"
#include "platform/Overlay.h"

namespace qlm {

class Clock;
class Document;

class PlaybackNotes {
 public:
  static constexpr int kNoticeMs = 1000;

  explicit PlaybackNotes(Document& document) : m_document(document) {}

  // The bar along the foreground window's top edge showing the text sent;
  // none at level 0, while the chronometer shows 300 ms or less (it would
  // only flicker), or without a foreground window on the screen.
  std::optional<OverlayNote> targetNote(std::string_view text) const;
  // The note before a click, over `area` of the screen.
  OverlayNote clickNote(std::string_view text, const Rect& area) const;
  // The one-second notices: a text over the foreground window's top edge,
  // and a cross centred on a point of the screen.
  std::optional<OverlayNote> textNotice(std::string_view text) const;
  static OverlayNote pointNotice(Point at);

 private:
  std::optional<Rect> foregroundTop() const;

  Document& m_document;
};

// The notes drawn on an overlay of the platform. A notice goes once its
// second has passed, which is checked whenever playback pumps its messages.
class OverlayNotes {
 public:
  OverlayNotes(Document& document, Overlay& overlay);

  void showTargetNote(std::string_view text);
  void showClickNote(std::string_view text, const Rect& area);
  // The target note and the click note.
  void closeNotes();
  void showTextNotice(std::string_view text);
  void showPointNotice(Point at);
  void expireNotice();
  void closeAll();

 private:
  void showNotice(const OverlayNote& note);

  PlaybackNotes m_notes;
  Overlay& m_overlay;
  Clock& m_clock;
  std::optional<std::int64_t> m_noticeEnd;
};

}  // namespace qlm
