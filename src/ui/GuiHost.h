#pragma once
// The playback host of the desktop application: records come from the
// document, everything that touches the windows is handed to the thread of
// the windows.
#include <QObject>

#include "app/HeadlessHost.h"
#include "playback/PlaybackHost.h"
#include "trace/PlaybackNotes.h"
#include "ui/VerboseOverlay.h"

namespace qlm {

class GuiHost final : public QObject, public PlaybackHost {
  Q_OBJECT

 public:
  explicit GuiHost(Document& document, QObject* parent = nullptr);

  int recordCount() override { return m_records.recordCount(); }
  PlaybackRecord record(int index) override { return m_records.record(index); }
  void selectRecord(int index) override;
  void showNote(std::string_view text) override;
  void showTargetNote(std::string_view text) override;
  void showClickNote(std::string_view text, const Rect& area) override;
  void closeTargetNote() override;
  void showPointNotice(Point at) override;
  void playbackStarted(std::string_view endKeyNotation) override;
  void playbackEnded() override;
  void openTraceFile(std::string_view path) override;
  void closeProgram() override;

 signals:
  void recordSelected(int index);
  void noteShown(const QString& text);
  void noticeShown(const qlm::VerboseNote& note);
  void targetNoteShown(const qlm::VerboseNote& note);
  void clickNoteShown(const qlm::VerboseNote& note);
  void notesClosed();
  void started(const QString& endKey);
  void ended();
  void traceFileWritten(const QString& path);
  void closeRequested();

 private:
  HeadlessHost m_records;
  PlaybackNotes m_notes;
};

}  // namespace qlm
