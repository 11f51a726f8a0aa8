#pragma once
// Thin marks drawn into a 32-bit picture, as a one-pixel pen draws them:
// lines leave out their last point, dotted lines set every other pixel, and
// anything outside the picture is clipped.
#include "document/RecordImage.h"
#include "platform/Picture.h"
#include "platform/Geometry.h"
#include "platform/Geometry.h"

namespace qlm {

enum class PenStyle { Solid, Dotted };

void drawLine(Picture& picture, Point from, Point to, Rgb colour, PenStyle pen);
// The outline of an inclusive rectangle.
void drawFrame(Picture& picture, const Rect& area, Rgb colour, PenStyle pen);
// Two 20-pixel lines through `centre`, from 10 pixels before it to 10 after.
void drawCross(Picture& picture, Point centre, Rgb colour);

}  // namespace qlm
