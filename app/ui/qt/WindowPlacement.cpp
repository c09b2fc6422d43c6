#include "app/ui/qt/WindowPlacement.h"

#include <algorithm>

namespace corvane::qt {

namespace {

// The start of a span of length inside [low, low + room), as near want as it
// can be; low when the span is longer than the room.
int Clamp(int want, int length, int low, int room) {
    return std::max(low, std::min(want, low + room - length));
}

}  // namespace

QPoint PlaceBeside(const QRect& beside, QSize size, const QRect& available, int gap) {
    const int right = beside.x() + beside.width() + gap;
    const int left = beside.x() - gap - size.width();
    const auto fits = [&](int x) {
        return x >= available.x() && x + size.width() <= available.x() + available.width();
    };
    int x = Clamp(right, size.width(), available.x(), available.width());
    if (fits(right)) {
        x = right;
    } else if (fits(left)) {
        x = left;
    }
    const int y = Clamp(beside.y(), size.height(), available.y(), available.height());
    return {x, y};
}

}  // namespace corvane::qt
