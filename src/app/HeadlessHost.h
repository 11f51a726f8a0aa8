#pragma once
// The playback host of an unattended run: records come from the document,
// notes and the end of the run are reported on the terminal, and the verbose
// notes are drawn on the desktop's overlay when there is one.
#include <cstdio>
#include <optional>
#include <string>

#include "language/Services.h"
#include "playback/PlaybackHost.h"
#include "trace/PlaybackNotes.h"

namespace qlm {

class Document;

class HeadlessHost final : public PlaybackHost {
 public:
  HeadlessHost(Document& document, std::FILE* out, Overlay* overlay = nullptr);

  int recordCount() override;
  PlaybackRecord record(int index) override;
  void selectRecord(int index) override;
  void pumpMessages() override;
  void showNote(std::string_view text) override;
  void showTargetNote(std::string_view text) override;
  void showClickNote(std::string_view text, const Rect& area) override;
  void closeTargetNote() override;
  void showPointNotice(Point at) override;
  void playbackEnded() override;
  void openTraceFile(std::string_view path) override;
  // Without a window there is nothing to close: the tool ends with the playback.
  void closeProgram() override {}

 private:
  Document& m_document;
  std::FILE* m_out;
  std::optional<OverlayNotes> m_notes;
};

// Prints each trace event as one line.
class PrintedTrace final : public TraceSink {
 public:
  explicit PrintedTrace(std::FILE* out) : m_out(out) {}
  void traceEvent(const TraceEvent& event) override;

 private:
  std::FILE* m_out;
};

}  // namespace qlm
