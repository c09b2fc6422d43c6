// A window opened beside the main window stays wholly on the screen.
#include <gtest/gtest.h>

#include "app/ui/qt/WindowPlacement.h"

namespace corvane::qt {
namespace {

struct PlacementCase {
    const char* name;
    QRect beside;
    QSize size;
    QRect available;
    QPoint expected;
};

const PlacementCase kCases[] = {
    {"fits on the right", {100, 50, 400, 300}, {200, 250}, {0, 0, 1024, 768}, {512, 50}},
    {"right edge exactly on the screen's",
     {100, 50, 400, 300},
     {200, 250},
     {0, 0, 712, 768},
     {512, 50}},
    {"no room on the right goes left",
     {500, 50, 400, 300},
     {300, 250},
     {0, 0, 1024, 768},
     {188, 50}},
    {"left edge exactly on the screen's",
     {312, 50, 401, 300},
     {300, 250},
     {0, 0, 1024, 768},
     {0, 50}},
    {"no room either side is clamped inside",
     {200, 50, 600, 300},
     {300, 250},
     {0, 0, 1024, 768},
     {724, 50}},
    {"off the screen's left is not left of it",
     {-500, 50, 400, 300},
     {200, 250},
     {0, 0, 1024, 768},
     {0, 50}},
    {"too low moves up", {100, 600, 400, 300}, {200, 250}, {0, 0, 1024, 768}, {512, 518}},
    {"above the area moves down", {100, -40, 400, 300}, {200, 250}, {0, 24, 1024, 744}, {512, 24}},
    {"larger than the area keeps its corner on it",
     {100, 50, 400, 300},
     {1200, 900},
     {0, 0, 1024, 768},
     {0, 0}},
    {"screen with an offset origin, right",
     {1400, 100, 400, 300},
     {200, 250},
     {1280, 0, 1024, 768},
     {1812, 100}},
    {"screen with an offset origin, left",
     {1800, 100, 400, 300},
     {200, 250},
     {1280, 0, 1024, 768},
     {1588, 100}},
    {"screen with an offset origin, clamped",
     {1300, 100, 900, 300},
     {200, 250},
     {1280, 0, 1024, 768},
     {2104, 100}},
    {"screen left of and above the primary",
     {-700, -100, 400, 300},
     {300, 250},
     {-1024, -768, 1024, 768},
     {-1012, -250}},
};

TEST(WindowPlacement, BesideTheMainWindowAndAlwaysInsideTheScreen) {
    constexpr int kGap = 12;
    for (const PlacementCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QPoint at = PlaceBeside(c.beside, c.size, c.available, kGap);
        EXPECT_EQ(at, c.expected) << at.x() << "," << at.y();
        if (c.size.width() <= c.available.width() && c.size.height() <= c.available.height()) {
            EXPECT_TRUE(c.available.contains(QRect(at, c.size)));
        }
    }
}

}  // namespace
}  // namespace corvane::qt
