// Where a window opened beside another goes: wholly on the screen's
// available area, whatever the screen's size and origin.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace corvane::qt {

// The frame position for a window of frame size size next to the window
// whose frame is beside: to its right, gap pixels apart, when that fits the
// available area; else to its left; else as far right as the area allows,
// over the other window. Top edges level, moved down or up into the area.
// A window larger than the area keeps its top-left corner on it.
QPoint PlaceBeside(const QRect& beside, QSize size, const QRect& available, int gap);

}  // namespace corvane::qt
