// Device-interface arrival and removal notifications for the main window
// (RegisterDeviceNotification with a device-interface filter): each change of
// an interface of a registered class is posted to the main window's queue as
// WM_DEVICECHANGE with
//   wParam  kDeviceArrivalEvent (DBT_DEVICEARRIVAL) or
//           kDeviceRemoveCompleteEvent (DBT_DEVICEREMOVECOMPLETE),
//   lParam  a heap DeviceInterfaceNotice (DEV_BROADCAST_DEVICEINTERFACE).
//
// Ownership of the notice: it belongs to whoever takes the message from the
// queue, and that one frees it with FreeDeviceInterfaceNotice - the main
// window's handler once it has looked at it, and whoever drops the message
// undelivered (messages still queued when the window has closed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/UsbCtrl.h"
#include "platform/Message.h"
#include "platform/WindowMessageQueue.h"

namespace corvane::platform {

inline constexpr uint32_t kWindowDeviceChange = 0x0219;         // WM_DEVICECHANGE
inline constexpr uint32_t kDeviceArrivalEvent = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr uint32_t kDeviceRemoveCompleteEvent = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
inline constexpr uint32_t kDeviceTypeDeviceInterface = 5;       // DBT_DEVTYP_DEVICEINTERFACE

// The HID class (what HidD_GetHidGuid returns): {4D1E55B2-F16F-11CF-88CB-001111000030}.
inline constexpr UsbCtrlGuid kHidClassGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// DEV_BROADCAST_DEVICEINTERFACE_A: a fixed head and the interface's path,
// NUL-terminated, running on past the declared one character. size counts
// the whole record, the NUL included.
struct DeviceInterfaceNotice {
    uint32_t size;
    uint32_t deviceType;  // kDeviceTypeDeviceInterface
    uint32_t reserved;
    UsbCtrlGuid classGuid;
    char name[1];
};
static_assert(offsetof(DeviceInterfaceNotice, classGuid) == 12);
static_assert(offsetof(DeviceInterfaceNotice, name) == 28);

// A heap notice for path, as an lParam; 0 when memory is short.
inline LParam MakeDeviceInterfaceNotice(const UsbCtrlGuid& interfaceClass, const char* path) {
    const size_t length = std::strlen(path);
    const size_t size = offsetof(DeviceInterfaceNotice, name) + length + 1;
    auto* notice = static_cast<DeviceInterfaceNotice*>(std::calloc(1, size));
    if (notice == nullptr) {
        return 0;
    }
    notice->size = static_cast<uint32_t>(size);
    notice->deviceType = kDeviceTypeDeviceInterface;
    notice->classGuid = interfaceClass;
    std::memcpy(notice->name, path, length + 1);
    return reinterpret_cast<LParam>(notice);
}

// The interface path in a record's name field of `room` bytes. Windows hands
// a window of the A functions the ANSI record; Wine 8 hands it the Unicode
// one. A path's second character is never NUL, which tells that record
// apart; its path is ASCII, narrowed here.
inline std::string DeviceInterfacePath(const char* name, size_t room) {
    if (room < 4 || name[0] == '\0' || name[1] != '\0') {
        return std::string(name, strnlen(name, room));
    }
    std::string path;
    for (size_t at = 0; at + 1 < room && (name[at] != '\0' || name[at + 1] != '\0'); at += 2) {
        const auto low = static_cast<unsigned char>(name[at]);
        path.push_back(name[at + 1] == '\0' && low < 0x80 ? static_cast<char>(low) : '?');
    }
    return path;
}

// Frees a notice made by MakeDeviceInterfaceNotice; 0 is ignored.
inline void FreeDeviceInterfaceNotice(LParam notice) {
    std::free(reinterpret_cast<void*>(notice));
}

// What RegisterDeviceNotification returns; kNoDeviceNotify on failure.
using DeviceNotifyHandle = uintptr_t;
inline constexpr DeviceNotifyHandle kNoDeviceNotify = 0;

class DeviceNotifications {
public:
    virtual ~DeviceNotifications() = default;

    // From now on, arrivals and removals of interfaces of the class are
    // posted to queue (which must outlive the registration). Any thread may
    // post; the caller's thread is not called back.
    virtual DeviceNotifyHandle Register(WindowMessageQueue& queue,
                                        const UsbCtrlGuid& interfaceClass) = 0;
    // After it returns nothing more is posted for the handle. False for a
    // handle that is not registered.
    virtual bool Unregister(DeviceNotifyHandle handle) = 0;
};

}  // namespace corvane::platform
