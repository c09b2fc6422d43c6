#include <gtest/gtest.h>

#include <cstring>

#include "platform/DeviceNotifications.h"

namespace corvane::platform {
namespace {

TEST(DeviceNotice, HasTheBroadcastLayoutAndCountsItsName) {
    const LParam param = MakeDeviceInterfaceNotice(USBCTRL_GUID, "\\\\?\\USB#X");
    ASSERT_NE(param, 0);
    const auto* notice = reinterpret_cast<const DeviceInterfaceNotice*>(param);
    EXPECT_EQ(notice->size, 28u + 10u);
    EXPECT_EQ(notice->deviceType, kDeviceTypeDeviceInterface);
    EXPECT_EQ(notice->reserved, 0u);
    EXPECT_TRUE(UsbCtrlGuidEqual(notice->classGuid, USBCTRL_GUID));
    EXPECT_STREQ(notice->name, "\\\\?\\USB#X");
    FreeDeviceInterfaceNotice(param);
    FreeDeviceInterfaceNotice(0);
}

TEST(DeviceNotice, TheHidClassIsTheSystemsValue) {
    EXPECT_EQ(kHidClassGuid.Data1, 0x4D1E55B2u);
    EXPECT_EQ(kHidClassGuid.Data2, 0xF16F);
    EXPECT_EQ(kHidClassGuid.Data3, 0x11CF);
    const uint8_t tail[8] = {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};
    EXPECT_EQ(std::memcmp(kHidClassGuid.Data4, tail, 8), 0);
    EXPECT_EQ(kDeviceArrivalEvent, 0x8000u);
    EXPECT_EQ(kDeviceRemoveCompleteEvent, 0x8004u);
    EXPECT_EQ(kWindowDeviceChange, 0x0219u);
}

}  // namespace
}  // namespace corvane::platform
