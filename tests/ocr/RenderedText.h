#pragma once
// UI texts drawn as a toolkit would draw them: a Debian font through
// FreeType, anti-aliased, one line on a plain ground, as 32-bit pictures.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/Geometry.h"
#include "platform/Picture.h"

namespace qlm::testing {

inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct TextStyle {
  const char* name;
  Rgb ink;
  Rgb ground;
};

// Dark on light, light on dark, and two coloured themes.
inline constexpr TextStyle kTextStyles[] = {
    {"black on white", {0, 0, 0}, {255, 255, 255}},
    {"white on black", {255, 255, 255}, {0, 0, 0}},
    {"navy on grey", {0, 0, 128}, {212, 208, 200}},
    {"white on blue", {255, 255, 255}, {0, 84, 227}},
};

class TextRenderer {
 public:
  explicit TextRenderer(const char* fontFile = kDejaVuSans) {
    m_ready = FT_Init_FreeType(&m_library) == 0 && FT_New_Face(m_library, fontFile, 0, &m_face) == 0;
  }
  ~TextRenderer() {
    if (m_face) FT_Done_Face(m_face);
    if (m_library) FT_Done_FreeType(m_library);
  }
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;
  bool ready() const { return m_ready; }

  // `text` (ASCII) at `pixelSize`, with `margin` pixels of ground around the line.
  Picture render(std::string_view text, int pixelSize, const TextStyle& style, int margin = 4) {
    Picture picture;
    if (!m_ready || FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(pixelSize)) != 0) return picture;
    const int ascender = static_cast<int>(m_face->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-(m_face->size->metrics.descender >> 6));
    int width = 0;
    for (char c : text) {
      if (FT_Load_Char(m_face, static_cast<unsigned char>(c), FT_LOAD_DEFAULT) == 0) {
        width += static_cast<int>(m_face->glyph->advance.x >> 6);
      }
    }
    picture.width = width + 2 * margin;
    picture.height = ascender + descender + 2 * margin;
    picture.pixels.resize(picture.pixelBytes());
    for (std::size_t at = 0; at < picture.pixels.size(); at += 4) set(&picture.pixels[at], style.ground);
    int penX = margin;
    const int baseline = margin + ascender;
    for (char c : text) {
      if (FT_Load_Char(m_face, static_cast<unsigned char>(c), FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = m_face->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = baseline - glyph->bitmap_top + static_cast<int>(row);
        if (y < 0 || y >= picture.height) continue;
        for (unsigned column = 0; column < bitmap.width; ++column) {
          const int x = penX + glyph->bitmap_left + static_cast<int>(column);
          if (x < 0 || x >= picture.width) continue;
          const int cover = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column];
          std::uint8_t* pixel = picture.rowFromTop(y) + 4 * x;
          set(pixel, mix(style.ink, Rgb{pixel[2], pixel[1], pixel[0]}, cover));
        }
      }
      penX += static_cast<int>(glyph->advance.x >> 6);
    }
    return picture;
  }

 private:
  static void set(std::uint8_t* pixel, Rgb colour) {
    const std::uint8_t bgra[] = {colour.blue, colour.green, colour.red, 0};
    std::copy_n(bgra, 4, pixel);
  }
  static Rgb mix(Rgb ink, Rgb ground, int cover) {
    auto channel = [cover](int a, int b) { return static_cast<std::uint8_t>((a * cover + b * (255 - cover) + 127) / 255); };
    return {channel(ink.red, ground.red), channel(ink.green, ground.green), channel(ink.blue, ground.blue)};
  }

  FT_Library m_library = nullptr;
  FT_Face m_face = nullptr;
  bool m_ready = false;
};

inline Rect wholePicture(const Picture& picture) { return {0, 0, picture.width, picture.height}; }

}  // namespace qlm::testing
