#include "platform/ScreenFrame.h"

#include <atomic>

namespace qlm {

namespace {

// Kept apart so that the compiler vectorises it.
void copyColourBits(const std::uint32_t* __restrict in, std::uint32_t* __restrict out, int width) {
  for (int x = 0; x < width; ++x) out[x] = in[x] & 0x00FFFFFFu;
}

}  // namespace

std::uint64_t nextFrameFill() {
  // Any thread that captures counts up.
  static std::atomic<std::uint64_t> fills{0};
  return ++fills;
}

PictureFrame::PictureFrame(Picture picture) : m_picture(std::move(picture)) {
  if (m_picture.bitsPerPixel > 24) m_picture.bitsPerPixel = 32;
}

PixelRows PictureFrame::rows() const { return pictureRows(m_picture); }

PixelRows pictureRows(const Picture& picture) {
  if (picture.empty() || picture.bitsPerPixel != 32 || picture.pixels.size() < picture.pixelBytes()) return PixelRows{};
  return PixelRows{picture.rowFromTop(0), -static_cast<std::ptrdiff_t>(picture.stride()), picture.width,
                   picture.height};
}

void copyRowsInto(const PixelRows& rows, Picture& picture, int left, int top) {
  for (int y = 0; y < rows.height; ++y) {
    copyColourBits(reinterpret_cast<const std::uint32_t*>(rows.row(y)),
                   reinterpret_cast<std::uint32_t*>(picture.rowFromTop(top + y)) + left, rows.width);
  }
}

void convertRows(const PixelRows& rows, Picture& picture) {
  picture.width = rows.width;
  picture.height = rows.height;
  picture.bitsPerPixel = 32;
  picture.pixels.resize(picture.pixelBytes());
  copyRowsInto(rows, picture);
}

}  // namespace qlm
