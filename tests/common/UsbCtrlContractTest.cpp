#include <gtest/gtest.h>

#include <cstring>

#include "common/UsbCtrl.h"

namespace {

TEST(UsbCtrlContract, GuidHasTheDocumentedInMemoryByteOrder) {
    const uint8_t expected[16] = {0x63, 0x7D, 0x24, 0x90, 0x77, 0x61, 0xD4, 0x11,
                                  0xA7, 0x97, 0x00, 0x40, 0xD0, 0x0A, 0x43, 0xA5};
    EXPECT_EQ(0, std::memcmp(&USBCTRL_GUID, expected, sizeof expected));
}

TEST(UsbCtrlContract, GuidComparisonLooksAtAllSixteenBytes) {
    UsbCtrlGuid other = USBCTRL_GUID;
    EXPECT_TRUE(UsbCtrlGuidEqual(USBCTRL_GUID, other));
    for (int i = 0; i < 16; ++i) {
        other = USBCTRL_GUID;
        reinterpret_cast<uint8_t*>(&other)[i] ^= 0x01;
        EXPECT_FALSE(UsbCtrlGuidEqual(USBCTRL_GUID, other)) << "byte " << i;
    }
}

TEST(UsbCtrlContract, CodesFollowTheControlCodeFormula) {
    EXPECT_EQ(0x222000u, IOCTRL_INIT_DRIVER);
    EXPECT_EQ(0x222004u, IOCTRL_GET_DRIVER_VERSION);
    EXPECT_EQ(0x222008u, IOCTRL_GET_PRODUCT_INFO);
    EXPECT_EQ(0x222010u, IOCTRL_READ_DATA);
    EXPECT_EQ(0x222014u, IOCTRL_WRITE_DATA);
    // Function 0x803 is unassigned and must not collide with any of the five.
    const uint32_t unassigned = UsbCtrlCode(0x803);
    EXPECT_EQ(0x22200Cu, unassigned);
    for (uint32_t code : {IOCTRL_INIT_DRIVER, IOCTRL_GET_DRIVER_VERSION, IOCTRL_GET_PRODUCT_INFO,
                          IOCTRL_READ_DATA, IOCTRL_WRITE_DATA}) {
        EXPECT_NE(unassigned, code);
    }
}

TEST(UsbCtrlContract, ProductInfoViewSharesTheReplyLayout) {
    USBCTRL_REPLY reply{};
    reply.Data[0] = 0x34;  // VendorId, little-endian
    reply.Data[1] = 0x12;
    reply.Data[1540] = 'P';  // first unit of Configuration (offset 1548 - 8)
    USBCTRL_PRODUCT_INFO info;
    std::memcpy(&info, &reply, sizeof info);
    EXPECT_EQ(0x1234, info.VendorId);
    EXPECT_EQ(u'P', info.Configuration[0]);
}

}  // namespace
