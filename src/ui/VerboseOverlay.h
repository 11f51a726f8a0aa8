#pragma once
// The verbose note: a frameless window over the desktop that never takes the
// focus and lets every click through, where black is transparent. Without a
// compositing manager the window is cut to its drawn pixels.
#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "platform/Overlay.h"

namespace qlm {

struct VerboseNote {
  static VerboseNote fromOverlayNote(const OverlayNote& note);

  int level = 7;
  QRect area;                // screen pixels
  QPoint marker{-1, -1};     // relative to the area; none at -1
  QString label;             // beside the marker
  QString status;            // at the top left
};

// The note drawn on black, as the window shows it.
QImage renderVerboseNote(const VerboseNote& note);

class VerboseOverlay final : public QWidget {
  Q_OBJECT

 public:
  explicit VerboseOverlay(bool compositing, QWidget* parent = nullptr);

  // Moves and repaints the one window; shown only for a level of 1 or more.
  void showNote(const VerboseNote& note);
  const VerboseNote& note() const { return m_note; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool m_compositing;
  VerboseNote m_note;
};

// The notes of a playback: the frame along the target's top edge, the note
// before a click, and the one-second notices.
class VerboseNotes final : public QObject {
  Q_OBJECT

 public:
  explicit VerboseNotes(bool compositing, QObject* parent = nullptr);

  void showTargetNote(const VerboseNote& note) { m_target.showNote(note); }
  void showClickNote(const VerboseNote& note) { m_click.showNote(note); }
  void closeNotes();
  // Shown for one second.
  void showNotice(const VerboseNote& note);

  VerboseOverlay& targetNote() { return m_target; }
  VerboseOverlay& clickNote() { return m_click; }
  VerboseOverlay& notice() { return m_notice; }

 private:
  VerboseOverlay m_target;
  VerboseOverlay m_click;
  VerboseOverlay m_notice;
  QTimer m_noticeTimer;
};

}  // namespace qlm

Q_DECLARE_METATYPE(qlm::VerboseNote)
