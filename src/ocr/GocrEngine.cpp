#include <cstdio>

#include "ocr/OcrEngine.h"
#include "platform/TextEncoding.h"
#include "platform/posix/ProgramFilter.h"

namespace qlm {
namespace {

// GOCR keeps global state in its library and is not safe to call twice at
// once; as a program of its own each call is independent, and a crash of
// the engine stays outside Quillmote.
constexpr int kTimeLimitMs = 10000;
// GOCR misreads letters of screen text below about 17 pixels ("a" as ">");
// twice as large it reads them.
constexpr int kSmallLine = 17;

class GocrEngine final : public OcrEngine {
 public:
  Result<Recognition> recognise(const GreyImage& image) override {
    Recognition result;
    if (image.width <= 0 || image.height <= 0) return result;
    const InkBands bands = inkBands(image);
    if (bands.count == 0) return result;
    const int factor = bands.typical < kSmallLine ? 2 : 1;
    const GreyImage page = factor == 1 ? image : enlarged(image, factor);
    char header[64];
    const int headerSize = std::snprintf(header, sizeof header, "P5\n%d %d\n255\n", page.width, page.height);
    std::string input(header, static_cast<std::size_t>(headerSize));
    input.append(page.pixels.begin(), page.pixels.end());
    // Automatic threshold and dust size, no filter or database, UTF-8, "_", certainty 80.
    const std::vector<std::string> words{"gocr", "-l", "0", "-d", "-1", "-f", "UTF8", "-u", "_",
                                         "-a", std::to_string(kCertaintyPercent), "-"};
    FilterRun run = runFilter(words, input, kTimeLimitMs);
    if (!run.status) return Result<Recognition>::failure("gocr cannot be started (package gocr): " + run.status.message);
    if (run.timedOut) return Result<Recognition>::failure("gocr did not finish within 10 seconds");
    if (run.exitCode.value_or(1) != 0) return Result<Recognition>::failure("gocr failed on the image");
    std::string text = cp1252FromUtf8(run.output, kUnknownCharacter);
    // Lines of blanks are gaps between paragraphs, not recognised lines.
    std::size_t begin = 0;
    while (begin < text.size()) {
      std::size_t end = text.find('\n', begin);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + begin, end - begin);
      if (line.find_first_not_of(" \r") != std::string_view::npos) {
        result.text.append(line);
        result.text += '\n';
      }
      begin = end + 1;
    }
    return result;
  }
};

}  // namespace

std::unique_ptr<OcrEngine> makeGocrEngine() { return std::make_unique<GocrEngine>(); }

}  // namespace qlm
