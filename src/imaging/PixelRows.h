#pragma once
// Reading 32-bit pictures where they lie.
#include <cstddef>
#include <cstdint>

#include "imaging/ColourPlanes.h"
#include "platform/ScreenFrame.h"

namespace qlm {

// The rows of a bottom-up buffer of `byteCount` bytes whose rows are byteCount / height / 4
// pixels apart; empty when the sizes are inconsistent.
PixelRows bottomUpRows(const std::uint8_t* pixels, std::size_t byteCount, int width, int height);

// Fills the colour planes, or only the grey plane, of `planes` from `rows`.
void splitRows(const PixelRows& rows, ColourPlanes& planes);
void greyRows(const PixelRows& rows, ColourPlanes& planes);

}  // namespace qlm
