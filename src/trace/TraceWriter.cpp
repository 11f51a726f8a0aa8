#include "trace/TraceWriter.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "document/BmpBlock.h"
#include "document/Base64.h"
#include "language/Document.h"
#include "document/Snapshot.h"
#include "imaging/RecordPicture.h"
#include "platform/FileOperations.h"
#include "platform/TextEncoding.h"
#include "trace/Debugger.h"
#include "trace/TraceImages.h"

namespace qlm {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kImageStart = "<img src=data:image/bmp;base64,";
constexpr std::string_view kImageEnd = " alt=Base64 encoded image />";

bool put(std::FILE* file, std::string_view text) {
  return text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool rowWanted(int traceLevel, TraceStep kind) {
  return (traceLevel >= 1 && kind == TraceStep::AfterInstruction) || (traceLevel >= 2 && kind == TraceStep::InFunction);
}

bool putPicture(std::FILE* file, const Picture& picture) {
  return put(file, kImageStart) && writeBase64(bmpFileBytes(picture), file) && put(file, kImageEnd);
}

}  // namespace

TraceWriter::TraceWriter(Document& document) : m_document(document) {}

void TraceWriter::write(const TraceEvent& event, const DebugColumns& columns) {
  TraceSettings& settings = m_document.traceSettings();
  if (!rowWanted(settings.traceLevel, event.kind) || settings.traceFileName.empty()) return;
  const TraceForm form = traceFormOf(settings.traceFileName);
  const RowPictures pictures = preparePictures(event, columns, form);
  const std::string path = utf8FromCp1252(settings.traceFileName);
  // Appending: another program may read the trace while it grows.
  functions::StdioFile file = functions::openForAppending(path);
  if (!file) return reportFailure(settings.traceFileName, std::strerror(errno));
  std::fseek(file.get(), 0, SEEK_END);
  const bool empty = std::ftell(file.get()) == 0;
  bool written = true;
  if (empty || settings.preparedRowTemplate.empty()) written = writeHeader(file.get(), empty, form);
  written = written && writeRow(file.get(), columns, form, pictures);
  written = std::fflush(file.get()) == 0 && written;
  if (!written) return reportFailure(settings.traceFileName, std::strerror(errno));
  m_document.openTraceRequest() = path;
}

TraceWriter::RowPictures TraceWriter::preparePictures(const TraceEvent& event, const DebugColumns& columns,
                                                      TraceForm form) {
  RowPictures pictures;
  RecordDocument& records = m_document.records();
  const int index = records.currentRecord();
  if (event.kind != TraceStep::AfterInstruction || index < 0) return pictures;
  const RecordMarks marks = RecordMarks::of(records.record(index));
  pictures.shown = showsPictures(marks, columns.instruction);
  if (!pictures.shown || form != TraceForm::Html) return pictures;

  const Rect cut = traceCaptureRect(marks);
  const Point origin{cut.left, cut.top};
  if (Result<Picture> stored = readRecordPicture(m_document.pathName(), index)) {
    Snapshot slot;
    slot.setCapture(std::move(*stored));
    pictures.recorded = markedCutOut(slot, cut, marks, origin);
  }
  CaptureBuffer& live = m_document.captureBuffer();
  // A match at the left edge (x = 0) is a match like any other.
  if (live.exists() && (marks.conditionLevel <= 0 || m_document.foundPosition().x >= 0)) {
    const Point liveOrigin = liveCutOrigin(marks, m_document.foundPosition());
    pictures.live = markedCutOut(live.slot(), Rect::fromSize(liveOrigin.x, liveOrigin.y, cut.width(), cut.height()),
                                 marks, origin);
  }
  return pictures;
}

bool TraceWriter::writeHeader(std::FILE* file, bool empty, TraceForm form) {
  TraceSettings& settings = m_document.traceSettings();
  settings.preparedRowTemplate = settings.rowTemplate;
  if (isHtmlForm(form) && empty && !put(file, tracePageHead())) return false;
  return put(file, traceHeaderLine(settings.preparedRowTemplate, form)) && put(file, kLineEnd);
}

bool TraceWriter::writeRow(std::FILE* file, const DebugColumns& columns, TraceForm form, const RowPictures& pictures) {
  RowValues values;
  values.line = columns.line;
  values.instruction = columns.instructionNumber;
  values.instructionText = columns.instruction;
  values.desc1 = columns.desc1;
  values.desc2 = columns.desc2;
  values.output = columns.output;
  values.targetModeLine = columns.targetModeLine;
  values.targetTitleLine = columns.targetTitleLine;
  values.variables = &m_document.variables();
  for (const RowPiece& piece : traceRow(m_document.traceSettings().preparedRowTemplate, form, values)) {
    const bool ok = piece.image == ImageCell::None ? put(file, piece.text) : writeImageCell(file, piece.image, pictures);
    if (!ok) return false;
  }
  return put(file, kLineEnd);
}

bool TraceWriter::writeImageCell(std::FILE* file, ImageCell cell, const RowPictures& pictures) {
  if (!pictures.shown) return put(file, "-");
  if (cell == ImageCell::Selected) return pictures.recorded ? putPicture(file, *pictures.recorded) : put(file, "N");
  return pictures.live ? putPicture(file, *pictures.live) : put(file, "Not found");
}

void TraceWriter::reportFailure(const std::string& name, const std::string& reason) {
  if (name == m_failedPath) return;
  m_failedPath = name;
  m_document.ui().showMessage("The trace cannot be written to " + name + ": " + cp1252FromUtf8(reason));
}

}  // namespace qlm
