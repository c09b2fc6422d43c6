// The main window's hooks into the device link (discovery, connection and
// loss of the projector). The link is made by the application once the main
// window exists and is called on the user-interface thread only.
#pragma once

#include <cstdint>

#include "platform/Message.h"

namespace corvane {

// WM_DEVICECHANGE event types the main window itself uses.
inline constexpr uint32_t kDeviceArrival = 0x8000;  // DBT_DEVICEARRIVAL

class DeviceLink {
public:
    virtual ~DeviceLink() = default;

    // Main window initialisation: device-interface and HID notifications.
    virtual void RegisterDeviceNotifications() = 0;
    // Main window close-down, before CloseDevice.
    virtual void UnregisterDeviceNotifications() = 0;
    // WM_DEVICECHANGE (eventType, eventData); WM_SCAN_DEVICES comes here as
    // (kDeviceArrival, 0), which scans for a projector.
    virtual void OnDeviceChange(uint32_t eventType, platform::LParam eventData) = 0;
    // Ends the slot's threads and closes its device.
    virtual void CloseDevice(int slot) = 0;
    // True while the slot's device handle is valid.
    virtual bool HasOpenDevice(int slot) const = 0;
};

}  // namespace corvane
