// The USB ids the program opens: the "VID:PID" a user types, and the list
// that starts with the projector's own ids.
#include "platform/portable/UsbIdList.h"

#include <gtest/gtest.h>

#include "common/ProjectorUsbIds.h"

namespace corvane::usb {
namespace {

TEST(UsbIdTest, ReadsHexadecimalVendorAndProduct) {
    struct Case {
        const char* text;
        bool valid;
        uint16_t vendor;
        uint16_t product;
    };
    const Case cases[] = {
        {"1209:0001", true, 0x1209, 0x0001},
        {"abcd:EF01", true, 0xABCD, 0xEF01},
        {"1:2", true, 0x0001, 0x0002},
        {"ffff:ffff", true, 0xFFFF, 0xFFFF},
        {"", false, 0, 0},
        {"1209", false, 0, 0},
        {"1209:", false, 0, 0},
        {":0001", false, 0, 0},
        {"12090:0001", false, 0, 0},  // five digits: more than 16 bits
        {"1209:00001", false, 0, 0},
        {"0x1209:0001", false, 0, 0},
        {"12g9:0001", false, 0, 0},
        {"-1:0001", false, 0, 0},
        {" 1209:0001", false, 0, 0},
        {"1209:0001 ", false, 0, 0},
        {"1209:0001:0002", false, 0, 0},
        {"1209-0001", false, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<UsbId> id = ParseUsbId(c.text);
        ASSERT_EQ(id.has_value(), c.valid) << '"' << c.text << '"';
        if (c.valid) {
            EXPECT_EQ(id->vendor, c.vendor) << c.text;
            EXPECT_EQ(id->product, c.product) << c.text;
        }
    }
}

TEST(UsbIdListTest, StartsWithTheProjectorsOwnIdsAndOpensNothingElse) {
    const UsbIdList list;
    ASSERT_EQ(list.Ids().size(), std::size(kProjectorUsbIds));
    for (const ProjectorUsbId& id : kProjectorUsbIds) {
        EXPECT_TRUE(list.Contains(id.vendor, id.product));
    }
    const ProjectorUsbId first = kProjectorUsbIds[0];
    EXPECT_FALSE(list.Contains(first.vendor, static_cast<uint16_t>(first.product + 1)));
    EXPECT_FALSE(list.Contains(static_cast<uint16_t>(first.vendor + 1), first.product));
    EXPECT_FALSE(list.Contains(first.product, first.vendor));
}

TEST(UsbIdListTest, AddedIdsAreOpenedTooAndKeptOnce) {
    UsbIdList list;
    const size_t own = list.Ids().size();
    list.Add(UsbId{0x04B4, 0x1004});
    list.Add(UsbId{0x04B4, 0x1004});
    list.Add(UsbId{kProjectorUsbIds[0].vendor, kProjectorUsbIds[0].product});
    EXPECT_EQ(list.Ids().size(), own + 1);
    EXPECT_TRUE(list.Contains(0x04B4, 0x1004));
    EXPECT_FALSE(list.Contains(0x04B4, 0x1005));
}

}  // namespace
}  // namespace corvane::usb
