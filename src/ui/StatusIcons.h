#pragma once
#include <QRect>

class QPainter;

namespace vyk {

// The six status pictures of the server list, drawn as vector shapes so they stay
// crisp at any scale. Ids are the resource numbers the rows refer to.
enum class StatusIcon : int {
  kPassword = 149,
  kNoAnswer = 151,
  kBuddy = 152,
  kGoodPing = 153,
  kBadPing = 156,
  kMediumPing = 157,
};

// Side of the square an icon occupies, in pixels, at a row height.
int StatusIconSize(int rowHeight);

// Draws the icon into the square box. The ping and no-answer icons fill the box; the
// password and buddy marks sit in its lower right corner so they read over a ping icon.
void DrawStatusIcon(QPainter& painter, StatusIcon icon, const QRect& box);

}  // namespace vyk
