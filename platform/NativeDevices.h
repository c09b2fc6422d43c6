// The system's own way to the projector, where the target has one: on
// Windows the installed Dornik driver (SetupAPI, DeviceIoControl and
// RegisterDeviceNotification). Linux has none: there the hosted kernel
// (hosted/) reaches the virtual projector and, through libusb, real ones.
#pragma once

#include <memory>

#include "platform/DeviceAccess.h"
#include "platform/DeviceNotifications.h"

namespace corvane::platform {

class NativeDevices {
public:
    virtual ~NativeDevices() = default;
    virtual DeviceAccess& Access() = 0;
    virtual DeviceNotifications& Notifications() = 0;
};

// nullptr where the system offers no device access of its own.
std::unique_ptr<NativeDevices> OpenNativeDevices();

}  // namespace corvane::platform
