// Device notifications on Windows. RegisterDeviceNotificationA needs a
// window; this one keeps its own message-only window on a thread of its own,
// so that no front end has to forward WM_DEVICECHANGE and a front end without
// windows (corvane-cli.exe) gets the notices too. Every arrival or removal of
// an interface of a registered class is copied into a heap
// DeviceInterfaceNotice and posted to the registered queue, exactly as
// platform/DeviceNotifications.h says.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/DeviceNotifications.h"

namespace corvane::win32 {

class Win32DeviceNotifications final : public platform::DeviceNotifications {
public:
    Win32DeviceNotifications();
    // Unregisters what is still registered and ends the window's thread.
    ~Win32DeviceNotifications() override;
    Win32DeviceNotifications(const Win32DeviceNotifications&) = delete;
    Win32DeviceNotifications& operator=(const Win32DeviceNotifications&) = delete;

    platform::DeviceNotifyHandle Register(platform::WindowMessageQueue& queue,
                                          const UsbCtrlGuid& interfaceClass) override;
    bool Unregister(platform::DeviceNotifyHandle handle) override;

    // The window that receives WM_DEVICECHANGE (an HWND); 0 when it could
    // not be created, and then every registration fails.
    uintptr_t WindowHandle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::win32
