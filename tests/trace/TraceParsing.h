#pragma once
// Reading trace files back: lines, rows, cells and embedded pictures.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "document/BmpBlock.h"

namespace qlm::testing {

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Lines ended by CR LF; a last line without one is kept too.
inline std::vector<std::string> crlfLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end = 0; at < text.size(); at = end + 2) {
    end = std::min(text.find("\r\n", at), text.size());
    lines.emplace_back(text.substr(at, end - at));
  }
  return lines;
}

// The contents of the <TD ...> cells of an HTML row.
inline std::vector<std::string> htmlCells(std::string_view row) {
  std::vector<std::string> cells;
  for (std::size_t at = row.find("<TD "); at != std::string_view::npos; at = row.find("<TD ", at + 1)) {
    std::size_t start = row.find(" >", at) + 2;
    cells.emplace_back(row.substr(start, row.find("</TD>", start) - start));
  }
  return cells;
}

inline std::vector<std::uint8_t> decodeBase64(std::string_view text) {
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<std::uint8_t> bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    const std::size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) break;
    bits = (bits << 6) | static_cast<unsigned>(value);
    if ((count += 6) >= 8) bytes.push_back(static_cast<std::uint8_t>(bits >> (count -= 8)));
  }
  return bytes;
}

// The pictures embedded in `text`, in order.
inline std::vector<Picture> embeddedPictures(std::string_view text) {
  constexpr std::string_view kStart = "<img src=data:image/bmp;base64,";
  std::vector<Picture> pictures;
  for (std::size_t at = text.find(kStart); at != std::string_view::npos; at = text.find(kStart, at + 1)) {
    std::size_t start = at + kStart.size();
    std::string_view encoded = text.substr(start, text.find(' ', start) - start);
    Result<Picture> picture = readBmpFile(decodeBase64(encoded));
    pictures.push_back(picture ? *picture : Picture{});
  }
  return pictures;
}

// The pixel at (x, y) as 0xRRGGBB.
inline std::uint32_t rgbAt(const Picture& picture, int x, int y) {
  const std::uint8_t* pixel = picture.rowFromTop(y) + 4 * x;
  return static_cast<std::uint32_t>(pixel[2] << 16 | pixel[1] << 8 | pixel[0]);
}

inline constexpr std::uint32_t kMarkRed = 0xC80000;

}  // namespace qlm::testing
