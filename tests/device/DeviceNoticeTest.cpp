#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

TEST(DeviceNotice, TheRecordsPathIsReadAnsiOrUnicodeWithinItsRoom) {
    const std::string path = "\\\\?\\usb#vid_1209&pid_0001#1&2#{90247d63}";
    // The ANSI record; a name without its NUL ends at the room.
    EXPECT_EQ(DeviceInterfacePath(path.c_str(), path.size() + 1), path);
    EXPECT_EQ(DeviceInterfacePath(path.c_str(), 7), path.substr(0, 7));
    // The Unicode record (Wine hands it to windows of the A functions):
    // narrowed, also when its room ends before its NUL.
    std::string wide;
    for (char c : path) {
        wide += c;
        wide += '\0';
    }
    wide.append(2, '\0');
    EXPECT_EQ(DeviceInterfacePath(wide.data(), wide.size()), path);
    EXPECT_EQ(DeviceInterfacePath(wide.data(), 9), path.substr(0, 4));
    // A character beyond ASCII cannot be part of a path that matches.
    std::string foreign = wide;
    foreign[3] = '\x01';  // the second character, U+015C
    EXPECT_EQ(DeviceInterfacePath(foreign.data(), foreign.size()), "\\?" + path.substr(2));
    EXPECT_EQ(DeviceInterfacePath("", 10), "");
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
