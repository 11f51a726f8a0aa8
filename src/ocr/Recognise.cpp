#include "ocr/Recognise.h"

#include <atomic>

namespace qlm {
namespace {

// Written at start-up by the thread that reads the settings, read by the playback thread.
std::atomic<OcrEngineKind> g_engineKind{OcrEngineKind::Tesseract};
std::atomic<OcrEngine*> g_engineOverride{nullptr};

}  // namespace

AreaText recogniseArea(const Picture& capture, const Rect& area, OcrEngine& engine) {
  AreaText read;
  std::optional<GreyImage> image = greyArea(capture, area);
  if (!image) return read;
  Result<Recognition> recognised = engine.recognise(*image);
  if (!recognised) {
    read.outcome = AreaReading::EngineFailed;
    read.error = recognised.error();
    return read;
  }
  read.outcome = AreaReading::Read;
  read.recognition = std::move(*recognised);
  return read;
}

void setOcrEngineKind(OcrEngineKind kind) { g_engineKind = kind; }
void setOcrEngineOverride(OcrEngine* engine) { g_engineOverride = engine; }

OcrEngine& ocrEngineInUse() {
  if (OcrEngine* engine = g_engineOverride) return *engine;
  return ocrEngine(g_engineKind);
}

std::optional<OcrEngineKind> ocrEngineKind(std::string_view name) {
  if (name.empty() || name == "tesseract") return OcrEngineKind::Tesseract;
  if (name == "gocr") return OcrEngineKind::Gocr;
  return std::nullopt;
}

OcrEngine& ocrEngine(OcrEngineKind kind) {
  if (kind == OcrEngineKind::Gocr) {
    static const std::unique_ptr<OcrEngine> gocr = makeGocrEngine();
    return *gocr;
  }
  return tesseractEngine();
}

}  // namespace qlm
