#pragma once
// Small files read or written in one piece: pictures and answers files.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Result.h"

namespace qlm {

// A regular file (or a link to one) of at most `limit` bytes; folders,
// devices and pipes are refused without reading them.
Result<std::vector<std::uint8_t>> readWholeFile(FileSystem& fs, const std::string& path, std::uint64_t limit);

// Written under a fresh name beside the file `path` leads to, and renamed
// over it when complete; anything there but a regular file is refused.
Outcome writeWholeFile(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace qlm
