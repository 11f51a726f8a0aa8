// qlm ocr and qlm find on pictures written by the test, as BMP and as PNG.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>

#include "../cli/QlmRunner.h"
#include "../document/TempFolder.h"
#include "RenderedText.h"
#include "document/BmpBlock.h"

namespace qlm {
namespace {

using testing::kTextStyles;
using testing::runQlm;

void writeBmp(const std::string& path, const Picture& picture) {
  const std::vector<std::uint8_t> bytes = bmpFileBytes(picture);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// A negative stride: the buffer holds the rows bottom-up.
void writePng(const std::string& path, const Picture& picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_BGRA;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, picture.pixels.data(),
                                      -static_cast<png_int_32>(picture.stride()), nullptr));
}

Picture cut(const Picture& from, const Rect& area) {
  Picture part{area.width(), area.height(), 32, {}};
  part.pixels.resize(part.pixelBytes());
  for (int y = 0; y < part.height; ++y) {
    std::copy_n(from.rowFromTop(area.top + y) + 4 * area.left, 4 * part.width, part.rowFromTop(y));
  }
  return part;
}

class QlmOcrFindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(renderer.ready());
    words = renderer.render("Save changes?", 20, kTextStyles[0], 6);
    writeBmp(bmp, words);
    writePng(png, words);
    Picture plain = words;
    std::fill(plain.pixels.begin(), plain.pixels.end(), 0xFF);
    writeBmp(blank, plain);
    writeBmp(part, cut(words, Rect{6, 6, 30, 20}));
    Picture changed = cut(words, Rect{6, 6, 30, 20});
    for (int x = 0; x < 5; ++x) changed.rowFromTop(3)[4 * x + 1] ^= 0xFF;
    writeBmp(changedPart, changed);
    writeBmp(tooLarge, renderer.render("Save changes? Yes", 20, kTextStyles[0], 6));
  }

  testing::TextRenderer renderer;
  Picture words;
  testing::TempFolder folder;
  std::string bmp = folder.file("words.bmp");
  std::string png = folder.file("words.png");
  std::string blank = folder.file("blank.bmp");
  std::string part = folder.file("part.bmp");
  std::string changedPart = folder.file("changed.bmp");
  std::string tooLarge = folder.file("large.bmp");
};

struct ToolCase {
  std::vector<std::string> args;
  int status;
  std::string out;  // part of standard output
};

TEST_F(QlmOcrFindTest, ReadAndSearchPicturesWithTheirExitStatus) {
  const std::string garbage = folder.file("garbage.bmp");
  std::ofstream(garbage) << "BM not really";
  const ToolCase cases[] = {
      {{"ocr", bmp}, 0, "Save changes?\n"},
      {{"ocr", png}, 0, "Save changes?\n"},
      {{"ocr", png, "--engine", "gocr"}, 0, "Save changes?\n"},
      {{"ocr", bmp, "--match", "SAVE"}, 0, "Save changes?\nSave changes?\n:OK\n"},
      {{"ocr", bmp, "--match", "Quit"}, 0, "Save changes?\nSave changes?\n<>Quit<[14,4]\n"},
      {{"ocr", blank}, 1, ""},
      {{"ocr", bmp, "--area", "0,0,5000,10"}, 2, ""},
      {{"ocr", bmp, "--engine", "other"}, 2, ""},
      {{"ocr", garbage}, 2, ""},
      {{"ocr", folder.file("missing.png")}, 2, ""},
      {{"find", bmp, part}, 0, "found at 6,6 in "},
      {{"find", png, part, "--shape"}, 0, "found at 6,6 in "},
      {{"find", bmp, changedPart}, 1, "not found"},
      {{"find", bmp, changedPart, "--pixel-tol", "2"}, 0, "found at 6,6 in "},
      {{"find", bmp, tooLarge}, 1, "is larger than the big one"},
      // Why nothing was found: the closest position and its misses against the tolerance.
      {{"find", bmp, changedPart, "--pixel-tol", "1"}, 1,
       "closest at 6,6: 5 of 336 pixels differ by more than 0 in a colour; the pixel tolerance allows 3"},
      {{"find", bmp}, 2, ""},
      {{"find", bmp, part, "--colour-tol", "x"}, 2, ""},
      {{"find", bmp, part, "--repeat", "3"}, 0, "found at 6,6 in "},
      {{"find", bmp, part, "--repeat", "0"}, 2, ""},
  };
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + std::filesystem::path(c.args[1]).filename().string() + " " +
                 (c.args.size() > 2 ? c.args[2] : ""));
    const testing::QlmRun run = runQlm(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace qlm
