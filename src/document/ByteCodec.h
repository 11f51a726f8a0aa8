#pragma once
// Little-endian reads and writes at an offset of a byte buffer, the only way
// the document's binary structures are taken apart and put together.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qlm::bytes {

inline std::uint32_t getU32(std::span<const std::uint8_t> data, std::size_t offset) {
  return static_cast<std::uint32_t>(data[offset]) | static_cast<std::uint32_t>(data[offset + 1]) << 8 |
         static_cast<std::uint32_t>(data[offset + 2]) << 16 | static_cast<std::uint32_t>(data[offset + 3]) << 24;
}
inline std::int32_t getI32(std::span<const std::uint8_t> data, std::size_t offset) {
  return static_cast<std::int32_t>(getU32(data, offset));
}
inline std::uint16_t getU16(std::span<const std::uint8_t> data, std::size_t offset) {
  return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}
inline std::uint64_t getU64(std::span<const std::uint8_t> data, std::size_t offset) {
  return static_cast<std::uint64_t>(getU32(data, offset)) | static_cast<std::uint64_t>(getU32(data, offset + 4)) << 32;
}

inline void putU32(std::span<std::uint8_t> data, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void putI32(std::span<std::uint8_t> data, std::size_t offset, std::int32_t value) {
  putU32(data, offset, static_cast<std::uint32_t>(value));
}
inline void putU16(std::span<std::uint8_t> data, std::size_t offset, std::uint16_t value) {
  data[offset] = static_cast<std::uint8_t>(value);
  data[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A NUL-terminated text inside a fixed field; a field without its NUL ends
// at the field's end, so a damaged record never reads past it.
inline std::string getText(std::span<const std::uint8_t> data, std::size_t offset, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size && data[offset + i] != 0; ++i) text += static_cast<char>(data[offset + i]);
  return text;
}

// Cuts the text to size - 1 characters and fills the rest with NULs.
inline void putText(std::span<std::uint8_t> data, std::size_t offset, std::size_t size, std::string_view text) {
  std::size_t length = text.size() < size ? text.size() : size - 1;
  for (std::size_t i = 0; i < size; ++i) data[offset + i] = i < length ? static_cast<std::uint8_t>(text[i]) : 0;
}

}  // namespace qlm::bytes
