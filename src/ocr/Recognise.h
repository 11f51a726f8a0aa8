#pragma once
// Reading an area of a capture: the grey conversion, the cut-out and the
// engine chosen by the setting OCR_ENGINE.
#include <string>

#include "ocr/OcrEngine.h"
#include "platform/Picture.h"

namespace qlm {

enum class AreaReading {
  Read,
  NotReadable,   // no capture, or the area does not lie inside it
  EngineFailed,  // the engine could not run; `error` says why
};

struct AreaText {
  AreaReading outcome = AreaReading::NotReadable;
  Recognition recognition;
  std::string error;
};

AreaText recogniseArea(const Picture& capture, const Rect& area, OcrEngine& engine);

// The engine of the running program, set from OCR_ENGINE at start-up; the
// calling thread's own when the engine keeps one per thread.
void setOcrEngineKind(OcrEngineKind kind);
// One engine for every thread instead (tests); null goes back to the kind set.
void setOcrEngineOverride(OcrEngine* engine);
OcrEngine& ocrEngineInUse();

}  // namespace qlm
