#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace qlm {
namespace {

TEST(TextEncoding, RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(cp1252FromUtf8(utf8FromCp1252(all)), all);
}

TEST(TextEncoding, MapsTheWindowsRangeToItsCodePoints) {
  EXPECT_EQ(utf8FromCp1252("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(utf8FromCp1252("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(cp1252FromUtf8("\xE2\x80\x9Cq\xE2\x80\x9D"), "\x93q\x94");
}

TEST(TextEncoding, ReplacesWhatTheCodePageLacksAndKeepsMalformedBytes) {
  EXPECT_EQ(cp1252FromUtf8("a\xE4\xB8\xAD" "b"), "a?b");  // a CJK character
  EXPECT_EQ(cp1252FromUtf8("\xC3"), "\xC3");             // truncated sequence
  EXPECT_EQ(cp1252FromUtf8("\xC0\xAF"), "\xC0\xAF");     // overlong form
}

}  // namespace
}  // namespace qlm
