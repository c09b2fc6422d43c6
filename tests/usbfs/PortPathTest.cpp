// Port paths as sysfs names them, and device numbers as the kernel hands
// them out.
#include <gtest/gtest.h>

#include "sim/usbfs/DeviceNumberPool.h"
#include "sim/usbfs/PortPath.h"

namespace corvane::usbfs {
namespace {

TEST(PortPathTest, ParsesBusAndPorts) {
    const auto path = ParsePortPath("1-4.2");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->bus, 1);
    EXPECT_EQ(path->ports, (std::vector<int>{4, 2}));
    EXPECT_EQ(path->Name(), "1-4.2");
    EXPECT_EQ(path->DevPath(), "4.2");
    ASSERT_TRUE(path->Parent());
    EXPECT_EQ(path->Parent()->Name(), "1-4");
    EXPECT_FALSE(path->Parent()->Parent());
}

TEST(PortPathTest, AcceptsTheLimits) {
    EXPECT_TRUE(ParsePortPath("64-31"));
    EXPECT_TRUE(ParsePortPath("1-1.2.3.4.5.6"));
}

TEST(PortPathTest, RefusesWhatSysfsNeverNames) {
    for (const char* text :
         {"", "1", "1-", "-1", "0-1", "65-1", "1-0", "1-32", "01-1", "1-01", "1-4.", "1-.4",
          "1-4..2", "1-1.2.3.4.5.6.7", "usb1", "1-4a", "+1-1", "1-4.2 ", " 1-4"}) {
        EXPECT_FALSE(ParsePortPath(text)) << '"' << text << '"';
    }
}

TEST(DeviceNumberPoolTest, HandsOutRoundRobinAndSkipsNumbersInUse) {
    DeviceNumberPool pool;
    EXPECT_EQ(pool.Take(), 1);
    EXPECT_EQ(pool.Take(), 2);
    pool.Release(2);
    // A device that comes back gets the next number, not its old one.
    EXPECT_EQ(pool.Take(), 3);
    for (int expected = 4; expected <= kMaxDeviceNumber; ++expected) {
        ASSERT_EQ(pool.Take(), expected);
    }
    // Wrapping round: 1 and 3.. are taken, 2 is free again.
    EXPECT_EQ(pool.Take(), 2);
    EXPECT_FALSE(pool.Take());
    pool.Release(50);
    EXPECT_EQ(pool.Take(), 50);
    EXPECT_TRUE(pool.InUse(50));
    pool.Release(0);  // out of range: ignored
    pool.Release(128);
    EXPECT_FALSE(pool.InUse(0));
}

}  // namespace
}  // namespace corvane::usbfs
