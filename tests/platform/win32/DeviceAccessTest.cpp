// Device access and the small services on the real system. No Dornik is
// installed here, so the projector's class has no interfaces; what can be
// checked is the failure handling around the calls.
#include <gtest/gtest.h>

#include <cstring>

#include "common/UsbCtrl.h"
#include "platform/DeviceNotifications.h"
#include "platform/NativeDevices.h"
#include "platform/win32/SystemServices.h"
#include "platform/win32/Win32DeviceAccess.h"
#include "tests/platform/TempFolder.h"

namespace corvane::win32 {
namespace {

TEST(Win32DeviceAccess, NoInterfaceOfTheProjectorsClassWithoutItsDriver) {
    Win32DeviceAccess access;
    EXPECT_TRUE(access.PresentInterfaces(USBCTRL_GUID).empty());
}

TEST(Win32DeviceAccess, OpeningAMissingPathFailsAndClosingNothingIsHarmless) {
    Win32DeviceAccess access;
    EXPECT_EQ(platform::kInvalidDeviceHandle,
              access.Open("\\\\?\\usb#vid_0000&pid_0000#0#{90247d63-6177-11d4-a797-0040d00a43a5}"));
    EXPECT_EQ(platform::kInvalidDeviceHandle, access.Open(nullptr));
    access.Close(platform::kInvalidDeviceHandle);
}

TEST(Win32DeviceAccess, AFailedRequestLeavesTheOutputAlone) {
    platform::test::TempFolder folder;
    folder.Write("device", "not a device");
    Win32DeviceAccess access;
    const platform::DeviceHandle handle = access.Open(folder.File("device").c_str());
    ASSERT_NE(platform::kInvalidDeviceHandle, handle) << "a plain file opens like a device";
    USBCTRL_REPLY reply;
    std::memset(&reply, 0x5A, sizeof reply);
    uint32_t returned = 77;
    EXPECT_FALSE(access.IoControl(handle, IOCTRL_GET_PRODUCT_INFO, nullptr, 0, &reply, sizeof reply,
                                  &returned));
    EXPECT_EQ(0u, returned);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&reply);
    for (size_t i = 0; i < sizeof reply; ++i) {
        ASSERT_EQ(0x5A, bytes[i]) << "byte " << i;
    }
    access.Close(handle);
}

TEST(SystemServices, TheHidClassIsTheOneTheProgramKnows) {
    const UsbCtrlGuid hid = HidClassGuid();
    EXPECT_EQ(0, std::memcmp(&platform::kHidClassGuid, &hid, sizeof hid));
}

TEST(SystemServices, ComStartsAndEndsOnAThread) {
    ASSERT_TRUE(InitializeCom());
    EXPECT_TRUE(InitializeCom()) << "a second start on the same thread is counted";
    UninitializeCom();
    UninitializeCom();
}

TEST(SystemServices, TheDebuggerSinkTakesAnyText) {
    platform::DebugOutput output;
    output.SetSink(DebuggerSink());
    output.Write("Halbrig_RegisterNotification Ok\n");
    output.Write("");
    DebuggerSink()(nullptr);
}

TEST(NativeDevices, WindowsHasItsOwnDeviceServices) {
    auto native = platform::OpenNativeDevices();
    ASSERT_NE(nullptr, native);
    EXPECT_TRUE(native->Access().PresentInterfaces(USBCTRL_GUID).empty());
}

}  // namespace
}  // namespace corvane::win32
