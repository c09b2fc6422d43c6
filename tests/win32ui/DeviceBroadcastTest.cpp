// WM_DEVICECHANGE records copied into the notices the device link frees.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "app/ui/win32/DeviceBroadcast.h"
#include "platform/DeviceNotifications.h"
// After the program's headers.
#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <dbt.h>

namespace corvane::win32 {
namespace {

// A DEV_BROADCAST_DEVICEINTERFACE_A as Windows lays it out, with its size
// field set to `declared` (the real record's size by default).
std::vector<uint8_t> Broadcast(const std::string& path,
                               DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE, long declared = -1,
                               bool terminate = true) {
    const size_t head = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    std::vector<uint8_t> bytes(head + path.size() + 1 + 16, 0xCC);  // 0xCC past the end
    DEV_BROADCAST_DEVICEINTERFACE_A record{};
    record.dbcc_size = declared >= 0 ? static_cast<DWORD>(declared)
                                     : static_cast<DWORD>(head + path.size() + (terminate ? 1 : 0));
    record.dbcc_devicetype = deviceType;
    record.dbcc_classguid = {
        0x90247D63, 0x6177, 0x11D4, {0xA7, 0x97, 0x00, 0x40, 0xD0, 0x0A, 0x43, 0xA5}};
    std::memcpy(bytes.data(), &record, head);
    std::memcpy(bytes.data() + head, path.data(), path.size());
    if (terminate) {
        bytes[head + path.size()] = 0;
    }
    return bytes;
}

struct NoticeOwner {
    explicit NoticeOwner(platform::LParam value) : value(value) {}
    ~NoticeOwner() { platform::FreeDeviceInterfaceNotice(value); }
    const platform::DeviceInterfaceNotice* operator->() const {
        return reinterpret_cast<const platform::DeviceInterfaceNotice*>(value);
    }
    platform::LParam value;
};

TEST(DeviceBroadcast, InterfaceRecordIsCopiedWhole) {
    const std::string path =
        "\\\\?\\USB#VID_1234&PID_5678#1#{90247d63-6177-11d4-a797-0040d00a43a5}";
    std::vector<uint8_t> record = Broadcast(path);
    NoticeOwner notice(CopyDeviceBroadcast(record.data()));
    ASSERT_NE(notice.value, 0);
    std::memset(record.data(), 0, record.size());  // Windows takes its record back
    EXPECT_EQ(notice->deviceType, platform::kDeviceTypeDeviceInterface);
    EXPECT_EQ(notice->size, offsetof(platform::DeviceInterfaceNotice, name) + path.size() + 1);
    EXPECT_TRUE(UsbCtrlGuidEqual(notice->classGuid, USBCTRL_GUID));
    EXPECT_EQ(std::string(notice->name), path);
}

TEST(DeviceBroadcast, OtherDeviceKindsAndShortRecordsGiveNoNotice) {
    EXPECT_EQ(CopyDeviceBroadcast(nullptr), 0);
    std::vector<uint8_t> volume = Broadcast("x", DBT_DEVTYP_VOLUME);
    EXPECT_EQ(CopyDeviceBroadcast(volume.data()), 0);
    std::vector<uint8_t> port = Broadcast("COM1", DBT_DEVTYP_PORT);
    EXPECT_EQ(CopyDeviceBroadcast(port.data()), 0);
    const long head = static_cast<long>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name));
    std::vector<uint8_t> cut = Broadcast("abc", DBT_DEVTYP_DEVICEINTERFACE, head - 1);
    EXPECT_EQ(CopyDeviceBroadcast(cut.data()), 0);
}

TEST(DeviceBroadcast, NameEndsWithinTheDeclaredSize) {
    // No terminator inside the record: only its declared bytes are read.
    std::vector<uint8_t> open = Broadcast("abcdef", DBT_DEVTYP_DEVICEINTERFACE, -1, false);
    NoticeOwner notice(CopyDeviceBroadcast(open.data()));
    ASSERT_NE(notice.value, 0);
    EXPECT_EQ(std::string(notice->name), "abcdef");
    // A size that covers the head alone gives an empty name.
    const long head = static_cast<long>(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name));
    std::vector<uint8_t> empty = Broadcast("abc", DBT_DEVTYP_DEVICEINTERFACE, head);
    NoticeOwner headOnly(CopyDeviceBroadcast(empty.data()));
    ASSERT_NE(headOnly.value, 0);
    EXPECT_EQ(std::string(headOnly->name), "");
}

TEST(DeviceBroadcast, OverlongPathIsCut) {
    const std::string path(kMaxBroadcastPath + 100, 'p');
    std::vector<uint8_t> record = Broadcast(path);
    NoticeOwner notice(CopyDeviceBroadcast(record.data()));
    ASSERT_NE(notice.value, 0);
    EXPECT_EQ(std::strlen(notice->name), kMaxBroadcastPath);
}

TEST(DeviceBroadcast, OnlyArrivalsAndCompletedRemovalsReachTheLink) {
    EXPECT_TRUE(IsDeviceChangeForLink(DBT_DEVICEARRIVAL));
    EXPECT_TRUE(IsDeviceChangeForLink(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_FALSE(IsDeviceChangeForLink(DBT_DEVICEQUERYREMOVE));
    EXPECT_FALSE(IsDeviceChangeForLink(DBT_DEVICEREMOVEPENDING));
    EXPECT_FALSE(IsDeviceChangeForLink(DBT_DEVNODES_CHANGED));
    EXPECT_FALSE(IsDeviceChangeForLink(0));
}

}  // namespace
}  // namespace corvane::win32
