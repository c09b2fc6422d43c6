// Device notifications through the real RegisterDeviceNotificationA. No
// projector comes and goes here, so the tests hand the notification window
// the WM_DEVICECHANGE the system would send, and look at what reaches the
// main window's queue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/UsbCtrl.h"
#include "platform/DeviceNotifications.h"
#include "platform/WindowMessageQueue.h"
#include "platform/win32/Win32DeviceNotifications.h"
// clang-format off
#include "platform/win32/WinApi.h"
#include <dbt.h>
// clang-format on

namespace corvane::win32 {
namespace {

constexpr char kPath[] = "\\\\?\\USB#VID_1234&PID_5678#0#{90247d63-6177-11d4-a797-0040d00a43a5}";

GUID SystemGuid(const UsbCtrlGuid& guid) {
    GUID out;
    static_assert(sizeof out == sizeof guid);
    std::memcpy(&out, &guid, sizeof out);
    return out;
}

// What the system sends: the record with the path running on past its end.
std::vector<char> Broadcast(const UsbCtrlGuid& interfaceClass, const std::string& path,
                            bool terminated = true) {
    const size_t head = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<char> bytes(head + path.size() + (terminated ? 1 : 0));
    auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
    notice->dbcc_size = static_cast<DWORD>(bytes.size());
    notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    notice->dbcc_classguid = SystemGuid(interfaceClass);
    std::memcpy(bytes.data() + head, path.data(), path.size());
    return bytes;
}

class Win32DeviceNotificationsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(0u, notifications_.WindowHandle()); }
    ~Win32DeviceNotificationsTest() override {
        platform::Message message;
        while (queue_.Take(message)) {
            if (message.message == platform::kWindowDeviceChange) {
                platform::FreeDeviceInterfaceNotice(message.lParam);
            }
        }
    }

    void Send(WPARAM event, std::vector<char> broadcast) {
        SendMessageA(reinterpret_cast<HWND>(notifications_.WindowHandle()), WM_DEVICECHANGE, event,
                     reinterpret_cast<LPARAM>(broadcast.data()));
    }
    // The next notice in the queue; its path, class and event.
    bool TakeNotice(std::string& path, UsbCtrlGuid& interfaceClass, platform::WParam& event) {
        platform::Message message;
        if (!queue_.Take(message)) {
            return false;
        }
        EXPECT_EQ(platform::kWindowDeviceChange, message.message);
        const auto* notice =
            reinterpret_cast<const platform::DeviceInterfaceNotice*>(message.lParam);
        EXPECT_EQ(platform::kDeviceTypeDeviceInterface, notice->deviceType);
        path = notice->name;
        interfaceClass = notice->classGuid;
        event = message.wParam;
        platform::FreeDeviceInterfaceNotice(message.lParam);
        return true;
    }

    platform::WindowMessageQueue queue_;
    Win32DeviceNotifications notifications_;
};

TEST_F(Win32DeviceNotificationsTest, ArrivalsAndRemovalsOfARegisteredClassArePosted) {
    const platform::DeviceNotifyHandle handle = notifications_.Register(queue_, USBCTRL_GUID);
    ASSERT_NE(platform::kNoDeviceNotify, handle);
    Send(DBT_DEVICEARRIVAL, Broadcast(USBCTRL_GUID, kPath));
    Send(DBT_DEVICEREMOVECOMPLETE, Broadcast(USBCTRL_GUID, kPath));
    std::string path;
    UsbCtrlGuid interfaceClass{};
    platform::WParam event = 0;
    ASSERT_TRUE(TakeNotice(path, interfaceClass, event));
    EXPECT_EQ(platform::kDeviceArrivalEvent, event);
    EXPECT_EQ(kPath, path);
    EXPECT_EQ(0, std::memcmp(&USBCTRL_GUID, &interfaceClass, sizeof interfaceClass));
    ASSERT_TRUE(TakeNotice(path, interfaceClass, event));
    EXPECT_EQ(platform::kDeviceRemoveCompleteEvent, event);
    EXPECT_TRUE(queue_.Empty());
    EXPECT_TRUE(notifications_.Unregister(handle));
}

TEST_F(Win32DeviceNotificationsTest, OnlyTheRegisteredClassesAndInterfaceChangesArrive) {
    const platform::DeviceNotifyHandle hid =
        notifications_.Register(queue_, platform::kHidClassGuid);
    ASSERT_NE(platform::kNoDeviceNotify, hid);
    Send(DBT_DEVICEARRIVAL, Broadcast(USBCTRL_GUID, kPath));
    EXPECT_TRUE(queue_.Empty()) << "the projector's class is not registered";
    Send(DBT_DEVICEQUERYREMOVE, Broadcast(platform::kHidClassGuid, "\\\\?\\HID#mouse"));
    EXPECT_TRUE(queue_.Empty()) << "only arrivals and completed removals";
    std::vector<char> volume = Broadcast(platform::kHidClassGuid, "X");
    reinterpret_cast<DEV_BROADCAST_HDR*>(volume.data())->dbch_devicetype = DBT_DEVTYP_VOLUME;
    Send(DBT_DEVICEARRIVAL, volume);
    EXPECT_TRUE(queue_.Empty()) << "only device interfaces";
    Send(DBT_DEVICEARRIVAL, Broadcast(platform::kHidClassGuid, "\\\\?\\HID#mouse"));
    std::string path;
    UsbCtrlGuid interfaceClass{};
    platform::WParam event = 0;
    ASSERT_TRUE(TakeNotice(path, interfaceClass, event));
    EXPECT_EQ("\\\\?\\HID#mouse", path);
    EXPECT_EQ(0, std::memcmp(&platform::kHidClassGuid, &interfaceClass, sizeof interfaceClass));
}

TEST_F(Win32DeviceNotificationsTest, NothingArrivesAfterUnregisteringAndAHandleGoesOnce) {
    const platform::DeviceNotifyHandle handle = notifications_.Register(queue_, USBCTRL_GUID);
    ASSERT_NE(platform::kNoDeviceNotify, handle);
    EXPECT_TRUE(notifications_.Unregister(handle));
    EXPECT_FALSE(notifications_.Unregister(handle));
    EXPECT_FALSE(notifications_.Unregister(12345));
    Send(DBT_DEVICEARRIVAL, Broadcast(USBCTRL_GUID, kPath));
    EXPECT_TRUE(queue_.Empty());
}

TEST_F(Win32DeviceNotificationsTest, APathWithoutItsTerminatorEndsWithTheRecord) {
    ASSERT_NE(platform::kNoDeviceNotify, notifications_.Register(queue_, USBCTRL_GUID));
    std::vector<char> broadcast = Broadcast(USBCTRL_GUID, kPath, false);
    broadcast.push_back('Z');  // beyond the declared size: must not be read
    Send(DBT_DEVICEARRIVAL, broadcast);
    std::string path;
    UsbCtrlGuid interfaceClass{};
    platform::WParam event = 0;
    ASSERT_TRUE(TakeNotice(path, interfaceClass, event));
    EXPECT_EQ(kPath, path);
}

TEST_F(Win32DeviceNotificationsTest, EveryRegistrationOfTheClassGetsItsOwnNotice) {
    platform::WindowMessageQueue other;
    ASSERT_NE(platform::kNoDeviceNotify, notifications_.Register(queue_, USBCTRL_GUID));
    ASSERT_NE(platform::kNoDeviceNotify, notifications_.Register(other, USBCTRL_GUID));
    int woken = 0;
    other.SetWakeHandler([&woken] { ++woken; });
    Send(DBT_DEVICEARRIVAL, Broadcast(USBCTRL_GUID, kPath));
    platform::Message a;
    platform::Message b;
    ASSERT_TRUE(queue_.Take(a));
    ASSERT_TRUE(other.Take(b));
    EXPECT_NE(a.lParam, b.lParam) << "each owner frees its own copy";
    EXPECT_EQ(1, woken);
    platform::FreeDeviceInterfaceNotice(a.lParam);
    platform::FreeDeviceInterfaceNotice(b.lParam);
}

}  // namespace
}  // namespace corvane::win32
