#pragma once
// Base64 of RFC 4648 (standard alphabet, '=' padding, no line breaks), as the
// trace embeds pictures.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace qlm {

// Encoded in pieces of this many bytes, a multiple of 3 so that padding can
// only come at the very end, through one output buffer of 1 MiB.
inline constexpr std::size_t kBase64Piece = 784'800;
inline constexpr std::size_t kBase64Buffer = 1 << 20;

std::string encodeBase64(std::span<const std::uint8_t> data);
// Stops at the first failed write.
bool writeBase64(std::span<const std::uint8_t> data, std::FILE* file);

}  // namespace qlm
