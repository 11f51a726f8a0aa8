#pragma once
// The image search behind IfImage and IfShape: finds a small picture in a big one.
// IMAGE compares colours; SHAPE ignores colours and compares light/dark structure.
// The answer is the first matching position in scan order (topmost, then leftmost).
#include <cstddef>
#include <cstdint>
#include <optional>

#include "imaging/ColourPlanes.h"
#include "imaging/ExactImageScan.h"
#include "platform/Geometry.h"
#include "platform/Picture.h"
#include "imaging/PixelOrder.h"
#include "imaging/PixelRows.h"
#include "imaging/PositionTests.h"
#include "imaging/WindowExtrema.h"

namespace qlm {

// The two searches; their numbers are the condition levels records keep.
enum class SearchMethod { Shape = 2, Image = 3 };

// The search a record's condition level asks for; none for levels without one.
std::optional<SearchMethod> searchMethodOfLevel(int conditionLevel);

// Colour threshold T = tolerance x 2.55 truncated; K = w x h x clamp(pixel tolerance, 0, 100) / 100.
SearchThresholds searchThresholds(int colourTolerance, int pixelTolerance, int smallWidth, int smallHeight);

class BmpFinder {
 public:
  BmpFinder() = default;

  // A 32-bit bottom-up picture; its rows lie byteCount / height / 4 pixels apart. The
  // pixels are read where they lie: they must stay alive and unchanged until the next loadBig.
  bool loadBig(const std::uint8_t* pixels, std::size_t byteCount, int width, int height);
  bool loadBig(const Picture& picture);
  // Rows in any order, read where they lie under the same terms; the unused byte may hold anything.
  bool loadBig(const PixelRows& rows);
  // The rectangle (x, y, w, h), top-down, of a 32-bit bottom-up picture. False when it
  // does not lie inside the picture.
  bool loadSmall(const std::uint8_t* pixels, std::size_t byteCount, int width, int height, int x, int y, int w,
                 int h);
  bool loadSmall(const Picture& picture, int x, int y, int w, int h);

  // Scans rows from startY (columns from startX in that row only), never testing
  // (skipX, skipY). found x, y become the match's top-left corner, or -1, -1.
  bool findSmallInBig(SearchMethod method, int colourTolerance, int pixelTolerance, int startX, int startY, int skipX,
                    int skipY, int& foundX, int& foundY);
  // The first match whose top-left corner lies in rows [firstRow, endRow), in the same order.
  Point firstMatchInRows(SearchMethod method, int colourTolerance, int pixelTolerance, int firstRow, int endRow);

  // SHAPE preparation: the big picture's whole grey plane (a search makes only the rows it
  // reaches) and the small picture's grey range.
  void prepareBigShape();
  void prepareSmallShape(int colourThreshold);

  // Split into planes when first asked for: searches read the pixels where they lie.
  const ColourPlanes& bigPicture() const;
  const ColourPlanes& smallPicture() const { return m_small; }

 private:
  void forgetShapeData();
  GreyRows& bigGrey();
  Point firstMatch(SearchMethod method, int colourTolerance, int pixelTolerance, const ScanArea& area);
  Point firstExactCopy(int threshold, const ScanArea& area);

  PixelRows m_bigRows;
  mutable ColourPlanes m_big;
  mutable bool m_bigSplit = false;
  bool m_bigGreyFilled = false;  // false after loadBig: the grey rows start over on first use
  GreyRows m_bigGrey;
  ColourPlanes m_small;
  WindowExtrema m_extrema;  // storage kept from frame to frame
  GreyRange m_smallRange;
};

// The uniqueness check of the image-area editor: where else in `picture` the image area
// (left, top, right, bottom inclusive) is found, or -1, -1.
Point findOtherOccurrence(const Picture& picture, int left, int top, int right, int bottom, SearchMethod method,
                               int colourTolerance, int pixelTolerance);

}  // namespace qlm
