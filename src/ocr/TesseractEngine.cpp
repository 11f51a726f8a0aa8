#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <array>
#include <memory>

#include "ocr/OcrEngine.h"
#include "platform/TextEncoding.h"

namespace qlm {
namespace {

// Tesseract reads best letters of about 30 pixels with some room around them;
// screen text is often a third of that, so small lines are enlarged first.
constexpr int kWantedLineHeight = 30;
constexpr int kMaxEnlargement = 4;
constexpr int kMargin = 8;
constexpr int kTallestLine = 64;

GreyImage prepared(const GreyImage& image, int factor, std::uint8_t background) {
  GreyImage page;
  page.width = image.width * factor + 2 * kMargin;
  page.height = image.height * factor + 2 * kMargin;
  page.pixels.assign(static_cast<std::size_t>(page.width) * page.height, background);
  for (int y = 0; y < image.height * factor; ++y) {
    std::uint8_t* row = page.pixels.data() + static_cast<std::size_t>(y + kMargin) * page.width + kMargin;
    for (int x = 0; x < image.width * factor; ++x) row[x] = image.at(x / factor, y / factor);
  }
  return page;
}

class TesseractEngine final : public OcrEngine {
 public:
  Result<Recognition> recognise(const GreyImage& image) override {
    if (!m_started) {
      m_started = true;
      // Its worker threads cost more than they bring on images of a few lines.
      omp_set_num_threads(1);
      m_api = std::make_unique<tesseract::TessBaseAPI>();
      m_api->SetVariable("debug_file", "/dev/null");
      if (m_api->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) m_api.reset();
    }
    if (!m_api) return Result<Recognition>::failure("Tesseract cannot start: its English data (tesseract-ocr-eng) is missing");
    Recognition result;
    if (image.width <= 0 || image.height <= 0) return result;
    const InkBands bands = inkBands(image);
    if (bands.count == 0) return result;
    // A band taller than any line is a picture or a window with its text, not one line.
    const bool oneLine = bands.count == 1 && bands.tallest <= kTallestLine;
    const int lineHeight = bands.typical <= kTallestLine ? bands.typical : kWantedLineHeight;
    const int factor = std::clamp((kWantedLineHeight + lineHeight - 1) / std::max(lineHeight, 1), 1, kMaxEnlargement);
    const GreyImage page = prepared(image, factor, bands.background);
    m_api->SetPageSegMode(oneLine ? tesseract::PSM_SINGLE_LINE : tesseract::PSM_SINGLE_BLOCK);
    m_api->SetImage(page.pixels.data(), page.width, page.height, 1, page.width);
    m_api->SetSourceResolution(300);
    if (m_api->Recognize(nullptr) != 0) {
      m_api->Clear();
      return Result<Recognition>::failure("Tesseract could not read the image");
    }
    std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
    if (it && !it->Empty(tesseract::RIL_SYMBOL)) {
      do {
        if (it->IsAtBeginningOf(tesseract::RIL_WORD) && !it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
          append(result, " ", result.origins.empty() ? Point{} : result.origins.back());
        }
        std::unique_ptr<char[]> symbol(it->GetUTF8Text(tesseract::RIL_SYMBOL));
        int left = 0, top = 0, right = 0, bottom = 0;
        it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom);
        const Point origin{std::max(0, (left - kMargin) / factor), std::max(0, (top - kMargin) / factor)};
        std::string text = symbol ? cp1252FromUtf8(symbol.get(), kUnknownCharacter) : std::string();
        if (text.empty() || it->Confidence(tesseract::RIL_SYMBOL) < kCertaintyPercent) text = std::string(1, kUnknownCharacter);
        append(result, text, origin);
        if (it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL)) append(result, "\n", origin);
      } while (it->Next(tesseract::RIL_SYMBOL));
    }
    m_api->Clear();
    return result;
  }

 private:
  static void append(Recognition& result, std::string_view text, Point origin) {
    result.text += text;
    result.origins.insert(result.origins.end(), text.size(), origin);
  }

  bool m_started = false;
  std::unique_ptr<tesseract::TessBaseAPI> m_api;
};

}  // namespace

OcrEngine& tesseractEngine() {
  thread_local TesseractEngine engine;
  return engine;
}

}  // namespace qlm
