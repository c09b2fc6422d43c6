// Device notifications on Linux: the hosted kernel announces interface
// arrivals and removals on its Plug and Play thread; each is posted, never
// handled there, to the registered main window queue as WM_DEVICECHANGE with
// a heap DeviceInterfaceNotice (see platform/DeviceNotifications.h).
#pragma once

#include <cstddef>
#include <map>
#include <mutex>

#include "platform/DeviceNotifications.h"
#include "platform/kernel/HostedDeviceAccess.h"

namespace corvane::hosted {

class HostedDeviceNotifications : public platform::DeviceNotifications {
public:
    explicit HostedDeviceNotifications(kernel::HostedDeviceAccess& access);
    // Unregisters what is still registered.
    ~HostedDeviceNotifications() override;
    HostedDeviceNotifications(const HostedDeviceNotifications&) = delete;
    HostedDeviceNotifications& operator=(const HostedDeviceNotifications&) = delete;

    platform::DeviceNotifyHandle Register(platform::WindowMessageQueue& queue,
                                          const UsbCtrlGuid& interfaceClass) override;
    bool Unregister(platform::DeviceNotifyHandle handle) override;

    // The next `count` registrations fail, as RegisterDeviceNotification can.
    void FailNextRegistrations(int count);
    std::size_t RegisteredCount() const;

private:
    kernel::HostedDeviceAccess& access_;
    mutable std::mutex mutex_;
    std::map<platform::DeviceNotifyHandle, int> listeners_;  // handle -> kernel listener id
    platform::DeviceNotifyHandle nextHandle_ = 1;
    int failures_ = 0;
};

}  // namespace corvane::hosted
