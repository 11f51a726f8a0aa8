#pragma once
// Reading trace files back: lines, rows, cells and embedded pictures.
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "document/BmpBlock.h"

namespace qlm::testing {

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Lines ended by CR LF; a last line without one is kept too.
inline std::vector<std::string> crlfLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

inline int occurrences(std::string_view text, std::string_view part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size())) ++count;
  return count;
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
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::vector<std::uint8_t> bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) break;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> count));
    }
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

struct Colour {
  int red = 0, green = 0, blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

inline Colour colourAt(const Picture& picture, int x, int y) {
  const std::uint8_t* pixel = picture.rowFromTop(y) + 4 * x;
  return {pixel[2], pixel[1], pixel[0]};
}

inline constexpr Colour kMarkRed{200, 0, 0};

}  // namespace qlm::testing
