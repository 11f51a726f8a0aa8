#pragma once
// Document files put together byte by byte from the published layout, with
// no help from the code under test.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "TempFolder.h"
#include "document/RecordImage.h"
#include "document/Snapshot.h"

namespace qlm::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put16(Bytes& b, std::size_t at, std::uint16_t v) {
  for (int i = 0; i < 2; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t get32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline void putText(Bytes& b, std::size_t at, const std::string& text) { std::memcpy(&b[at], text.data(), text.size()); }

// A record with a few fields set; `tag` the layout tag.
inline Bytes handRecord(int number, const std::string& instruction, const std::string& tag = "2_0_3") {
  Bytes r(2652, 0);
  put32(r, 0, static_cast<std::uint32_t>(number));
  put16(r, 4, 1);
  put16(r, 6, 1);
  for (auto [at, value] : {std::pair<std::size_t, std::uint32_t>{8, 5}, {12, 6}, {16, 45}, {20, 26}, {24, 0xFFFFFFFF},
                           {28, 0xFFFFFFFF}, {76, 25}, {80, 16}, {2092, 100}, {2096, 7000}, {2128, 1}, {2132, 7},
                           {2136, 8}, {2140, 640}, {2144, 480}, {2644, 3}}) {
    put32(r, at, value);
  }
  for (auto [at, text] : {std::pair<std::size_t, std::string>{40, "alice"}, {61, "260314091502"}, {74, "K"},
                          {84, "XTerm"}, {335, "shell"}, {586, instruction}, {1588, "xterm"}, {2104, tag}}) {
    putText(r, at, text);
  }
  r[2639] = 1;
  return r;
}

// Bitmap file header, information header and 32-bit pixels of w x h.
inline Bytes handPicture(int w, int h, std::uint8_t fill) {
  const auto pixels = static_cast<std::uint32_t>(w * 4 * h);
  Bytes p(54 + pixels, fill);
  std::memset(p.data(), 0, 54);
  putText(p, 0, "BM");
  for (auto [at, value] : {std::pair<std::size_t, std::uint32_t>{2, pixels + 54}, {10, 54}, {14, 40}, {18, static_cast<std::uint32_t>(w)},
                           {22, static_cast<std::uint32_t>(h)},
                           {26, 1 | 32 << 16}, {34, pixels}}) {
    put32(p, at, value);  // at 26: one plane, 32 bits per pixel
  }
  return p;
}

inline Bytes block(const Bytes& record, const Bytes& picture) {
  Bytes b = record;
  b.insert(b.end(), picture.begin(), picture.end());
  return b;
}

// Header, index and blocks laid down in `fileOrder`; list position i is block i.
inline Bytes handFile(const std::vector<Bytes>& blocks, const std::vector<int>& fileOrder = {}) {
  Bytes file(160032, 0);
  std::memcpy(file.data(), "QLM0001.20090426", 17);
  put32(file, 20, 40000);
  put32(file, 24, static_cast<std::uint32_t>(blocks.size()));
  std::vector<int> order = fileOrder;
  if (order.empty()) {
    for (std::size_t i = 0; i < blocks.size(); ++i) order.push_back(static_cast<int>(i));
  }
  for (int i : order) {
    put32(file, 32 + 4 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(file.size()));
    file.insert(file.end(), blocks[static_cast<std::size_t>(i)].begin(), blocks[static_cast<std::size_t>(i)].end());
  }
  put32(file, 32 + 4 * blocks.size(), static_cast<std::uint32_t>(file.size()));
  return file;
}

// The record of handRecord(0, instruction) as the program holds it.
inline RecordImage handRecordImage(const std::string& instruction) {
  const Bytes hand = handRecord(0, instruction);
  return RecordImage::fromBytes(std::span<const std::uint8_t, kRecordSize>(hand.data(), kRecordSize));
}

// Record i of `texts` with a picture of (2 + i) x 3 pixels of value i + 1, in `list` order (all when empty);
// `fileOrder` as for handFile.
inline Bytes handDocument(const std::vector<std::string>& texts, std::vector<int> list = {},
                          const std::vector<int>& fileOrder = {}) {
  if (list.empty()) {
    for (std::size_t i = 0; i < texts.size(); ++i) list.push_back(static_cast<int>(i));
  }
  std::vector<Bytes> blocks;
  for (int i : list) blocks.push_back(block(handRecord(i, texts.at(i)), handPicture(2 + i, 3, static_cast<std::uint8_t>(i + 1))));
  return handFile(blocks, fileOrder);
}

// Every record as read, ready to be changed and written back.
inline std::vector<RecordEdit> loadedRecords(const std::string& path) {
  Snapshot reader;
  std::vector<RecordEdit> edits;
  if (!reader.openForReading(path)) return edits;
  for (int i = 0; reader.readRecord(i) == 0; ++i) {
    edits.push_back({i, {reader.table().entry(i), reader.record().bytes()}, reader.record()});
  }
  return edits;
}

// A case's name without its blanks, for parameterised tests.
inline std::string caseName(const char* name) {
  std::string text = name;
  std::erase(text, ' ');
  return text;
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}


inline Bytes readHead(const std::filesystem::path& path, std::size_t size) {
  Bytes head(size);
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(size));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

inline Bytes readFile(const std::filesystem::path& path) { return readHead(path, std::filesystem::file_size(path)); }

}  // namespace qlm::testing
