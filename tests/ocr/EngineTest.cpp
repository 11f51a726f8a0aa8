// Both engines on UI texts drawn in the test: what they read must pass
// GetText's match against the text that was drawn.
#include <gtest/gtest.h>

#include <string>

#include "RenderedText.h"
#include "ocr/Recognise.h"
#include "ocr/TextMatch.h"

namespace qlm {
namespace {

using testing::kTextStyles;
using testing::TextRenderer;

constexpr const char* kTexts[] = {"File Edit View Help", "Save changes?", "Total: 234.50", "Cancel"};
constexpr int kSizes[] = {13, 20};

class EngineTest : public ::testing::TestWithParam<OcrEngineKind> {};

TEST_P(EngineTest, ReadsRenderedUiTextsInEveryStyle) {
  TextRenderer renderer;
  ASSERT_TRUE(renderer.ready()) << "fonts-dejavu-core is missing";
  OcrEngine& engine = ocrEngine(GetParam());
  for (const auto& style : kTextStyles) {
    for (int size : kSizes) {
      for (const char* text : kTexts) {
        const Picture picture = renderer.render(text, size, style);
        const AreaText read = recogniseArea(picture, testing::wholePicture(picture), engine);
        SCOPED_TRACE(std::string(text) + ", " + std::to_string(size) + " px, " + style.name + ": read " +
                     read.recognition.text + read.error);
        ASSERT_EQ(read.outcome, AreaReading::Read);
        EXPECT_TRUE(matchText(read.recognition.text, text).matched);
        EXPECT_EQ(read.recognition.text.back(), '\n');
      }
    }
  }
}

TEST_P(EngineTest, ReadsNothingOnAPlainArea) {
  Picture plain{40, 20, 32, {}};
  plain.pixels.assign(plain.pixelBytes(), 0xC0);
  const AreaText read = recogniseArea(plain, testing::wholePicture(plain), ocrEngine(GetParam()));
  EXPECT_EQ(read.outcome, AreaReading::Read) << read.error;
  EXPECT_EQ(read.recognition.text, "");
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, ::testing::Values(OcrEngineKind::Tesseract, OcrEngineKind::Gocr),
                         [](const auto& info) { return info.param == OcrEngineKind::Gocr ? "Gocr" : "Tesseract"; });

}  // namespace
}  // namespace qlm
