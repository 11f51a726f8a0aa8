#pragma once
// The boundary of a text-recognition engine: an 8-bit grey image in, the
// recognised lines out, each followed by "\n".
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ocr/GreyImage.h"
#include "platform/Geometry.h"
#include "platform/Result.h"

namespace qlm {

// The mark of a character recognised with less certainty than the engine's threshold.
inline constexpr char kUnknownCharacter = '_';
inline constexpr int kCertaintyPercent = 80;

struct Recognition {
  std::string text;  // Windows-1252; characters it cannot hold are the unknown mark
  // Per byte of `text`, the top-left corner of its character in the image, when
  // the engine tells where its characters lie; empty otherwise.
  std::vector<Point> origins;
};

class OcrEngine {
 public:
  virtual ~OcrEngine() = default;
  // A failure when the engine could not run; an empty text when it saw nothing.
  virtual Result<Recognition> recognise(const GreyImage& image) = 0;
};

enum class OcrEngineKind { Tesseract, Gocr };

// The setting OCR_ENGINE: "tesseract" (also when empty) or "gocr"; nothing for another name.
std::optional<OcrEngineKind> ocrEngineKind(std::string_view name);

// Tesseract is kept initialised, one engine per thread, for the life of the thread.
OcrEngine& tesseractEngine();
std::unique_ptr<OcrEngine> makeGocrEngine();
OcrEngine& ocrEngine(OcrEngineKind kind);

}  // namespace qlm
