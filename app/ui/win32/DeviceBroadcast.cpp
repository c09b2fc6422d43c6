#include "app/ui/win32/DeviceBroadcast.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/DeviceNotifications.h"

namespace corvane::win32 {

bool IsDeviceChangeForLink(platform::WParam eventType) {
    return eventType == platform::kDeviceArrivalEvent ||
           eventType == platform::kDeviceRemoveCompleteEvent;
}

platform::LParam CopyDeviceBroadcast(const void* broadcast) {
    if (broadcast == nullptr) {
        return 0;
    }
    // DEV_BROADCAST_HDR: size, device type, reserved; then the interface's
    // class and path, laid out as DeviceInterfaceNotice.
    constexpr size_t kHead = offsetof(platform::DeviceInterfaceNotice, name);
    const auto* bytes = static_cast<const uint8_t*>(broadcast);
    uint32_t size = 0;
    uint32_t deviceType = 0;
    std::memcpy(&size, bytes, sizeof size);
    std::memcpy(&deviceType, bytes + sizeof size, sizeof deviceType);
    if (deviceType != platform::kDeviceTypeDeviceInterface || size < kHead) {
        return 0;
    }
    UsbCtrlGuid interfaceClass;
    std::memcpy(&interfaceClass, bytes + offsetof(platform::DeviceInterfaceNotice, classGuid),
                sizeof interfaceClass);
    const auto* name = reinterpret_cast<const char*>(bytes + kHead);
    const size_t room = std::min<size_t>(size - kHead, kMaxBroadcastPath);
    const std::string path = platform::DeviceInterfacePath(name, room);
    return platform::MakeDeviceInterfaceNotice(interfaceClass, path.c_str());
}

}  // namespace corvane::win32
