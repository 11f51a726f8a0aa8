#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "HandBuilt.h"
#include "document/Base64.h"
#include "document/BmpBlock.h"
#include "document/Snapshot.h"

namespace qlm {
namespace {

using testing::Bytes;

TEST(Base64, PadsOnlyAtTheEndAsRfc4648Says) {
  for (const auto& [in, out] : {std::pair<std::string, std::string>{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="},
                                {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\xfd", "//79"}}) {
    EXPECT_EQ(encodeBase64(Bytes(in.begin(), in.end())), out) << in;
  }
}

TEST(Base64, CutOutIsWrittenInPiecesWithoutLineBreaks) {
  Snapshot snapshot;
  Picture picture{700, 301, 32, {}};  // 842,800 pixel bytes: more than one piece
  for (std::size_t i = 0; i < picture.pixelBytes(); ++i) picture.pixels.push_back(static_cast<std::uint8_t>(i * 7));
  snapshot.setCapture(picture);
  ASSERT_TRUE(snapshot.cutPicture(0, 0, 700, 301));

  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  ASSERT_TRUE(snapshot.writeCutPictureBase64(file));
  std::fclose(file);
  const std::string written(buffer, size);
  std::free(buffer);
  EXPECT_EQ(written, encodeBase64(bmpFileBytes(picture)));
  EXPECT_EQ(written.find('\n'), std::string::npos);
  EXPECT_EQ(written.find('='), written.size() - 2);  // 842,854 bytes: one left over
}

TEST(BmpFile, ReadsBottomUpAndTopDownRowsOf24And32Bits) {
  Bytes bottomUp = testing::handPicture(2, 2, 0);
  bottomUp[54] = 1;  // first stored row is the bottom one
  auto picture = readBmpFile(bottomUp);
  ASSERT_TRUE(picture) << picture.error();
  EXPECT_EQ(picture->rowFromTop(1)[0], 1);

  Bytes topDown = bottomUp;
  testing::put32(topDown, 22, static_cast<std::uint32_t>(-2));
  picture = readBmpFile(topDown);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->rowFromTop(0)[0], 1);

  Bytes rgb(54 + 8, 0);  // 24 bits, 1 x 2, rows padded to 4 bytes
  std::copy_n(bottomUp.begin(), 54, rgb.begin());
  testing::put32(rgb, 18, 1);
  rgb[28] = 24;
  rgb[54] = 7;
  rgb[58] = 9;
  picture = readBmpFile(rgb);
  ASSERT_TRUE(picture) << picture.error();
  EXPECT_EQ(picture->bitsPerPixel, 32);
  EXPECT_EQ(picture->rowFromTop(1)[0], 7);
  EXPECT_EQ(picture->rowFromTop(0)[0], 9);
}

TEST(BmpFile, RefusesWhatItCannotHold) {
  Bytes file = testing::handPicture(2, 2, 0);
  Bytes shortened(file.begin(), file.end() - 1);
  EXPECT_FALSE(readBmpFile(shortened));
  for (auto [at, value] : {std::pair{28, 8}, {30, 1}}) {  // 8 bits per pixel, packed
    Bytes changed = file;
    changed[at] = static_cast<std::uint8_t>(value);
    EXPECT_FALSE(readBmpFile(changed)) << at;
  }
  EXPECT_FALSE(readBmpFile(Bytes{'B', 'M'}));
}

}  // namespace
}  // namespace qlm
