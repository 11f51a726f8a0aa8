#pragma once
// Writes the rows of the trace table into the trace file: the page head into
// an empty HTML file, a header line at the first row of every playback, one
// row per instruction (and per function step at level 2), with the recorded
// and the live picture embedded as Base64 BMP in the .htm form.
#include <cstdio>
#include <optional>
#include <string>

#include "platform/Picture.h"
#include "language/Services.h"
#include "trace/TraceTemplate.h"

namespace qlm {

class Document;
struct DebugColumns;

class TraceWriter {
 public:
  explicit TraceWriter(Document& document);

  // Writes a row when the trace level asks for this kind of event.
  void write(const TraceEvent& event, const DebugColumns& columns);

 private:
  struct RowPictures {
    bool shown = false;  // the row shows pictures at all
    std::optional<Picture> recorded;
    std::optional<Picture> live;
  };

  RowPictures preparePictures(const TraceEvent& event, const DebugColumns& columns, TraceForm form);
  bool writeHeader(std::FILE* file, bool empty, TraceForm form);
  bool writeRow(std::FILE* file, const DebugColumns& columns, TraceForm form, const RowPictures& pictures);
  bool writeImageCell(std::FILE* file, ImageCell cell, const RowPictures& pictures);
  // Once per file name: playback goes on without the rows.
  void reportFailure(const std::string& name, const std::string& reason);

  Document& m_document;
  std::string m_failedPath;
};

}  // namespace qlm
