#pragma once
// A capture read where the capture keeps it, so that a wait for an image can
// search the screen without copying it first; converted into a Picture only
// when it is to be kept.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Picture.h"

namespace qlm {

// A 32-bit picture read where it lies: each pixel is blue, green, red, unused.
struct PixelRows {
  const std::uint8_t* top = nullptr;  // the topmost row
  std::ptrdiff_t stride = 0;          // from one row to the one below; negative for bottom-up pictures
  int width = 0;
  int height = 0;

  bool empty() const { return top == nullptr || width <= 0 || height <= 0; }
  const std::uint8_t* row(int y) const { return top + stride * static_cast<std::ptrdiff_t>(y); }
};

// How a frame's pixels came about: a frame filled again for the same area
// takes anew only what changed, so that a search which found nothing in the
// previous fill need only look again where the screen changed.
struct FrameChanges {
  std::uint64_t fill = 0;          // this fill, unique in the process; 0 when unknown
  std::uint64_t previousFill = 0;  // the fill this one updated; 0 when everything was taken anew
  std::vector<std::pair<int, int>> rows;  // rows [top, bottom) from the frame's top taken anew, ascending
};

// A fill number no frame has had yet.
std::uint64_t nextFrameFill();

// The unused byte of a frame may hold anything: readers ignore it.
class ScreenFrame {
public:
  virtual ~ScreenFrame() = default;
  virtual PixelRows rows() const = 0;
  virtual FrameChanges changes() const { return {}; }
};

// A frame that owns a picture in the stored layout. Depths above 24 bits are
// read as 32; any other picture has no rows.
class PictureFrame final : public ScreenFrame {
public:
  explicit PictureFrame(Picture picture);
  PixelRows rows() const override;
  // The picture, leaving the frame without rows.
  Picture takePicture() { return std::move(m_picture); }

private:
  Picture m_picture;
};

// The rows of a 32-bit picture in the stored layout; none for any other.
PixelRows pictureRows(const Picture& picture);

// `rows` copied into `picture` at (left, top) counted from the picture's top,
// the unused byte cleared so that equal screens give equal bytes. The rows must
// fit in the picture, which must be 32 bits a pixel.
void copyRowsInto(const PixelRows& rows, Picture& picture, int left = 0, int top = 0);

// The whole of `rows` as a picture in the stored layout, reusing `picture`'s memory.
void convertRows(const PixelRows& rows, Picture& picture);

}  // namespace qlm
