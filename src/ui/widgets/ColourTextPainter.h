#pragma once
// Quake III colour codes drawn: the layout (core/ColourCodes.h) painted with Qt.
#include <QRect>
#include <string>

class QPainter;

namespace vyk {

// Draws text with its colour codes and dot markers from the rectangle's top-left corner,
// clipped to it, one character at a time in the painter's font. The rectangle's left edge
// is advanced by every character drawn, so callers pass a scratch copy. The painter's pen
// and clip are as before afterwards; the background is the caller's.
void DrawColourText(QPainter& painter, QRect& rect, const std::string& text);

}  // namespace vyk
