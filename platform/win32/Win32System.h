// The program's operating system on Windows, put together once for the
// front ends (Corvane.exe, and corvane-cli.exe without --simulate): the
// device access to the installed Dornik driver and the device notifications.
//
//   win32::Win32System system;
//   ApplicationPlatform platform;
//   platform.initializeCom = win32::InitializeCom;      // SystemServices.h
//   platform.uninitializeCom = win32::UninitializeCom;
//   Application app(windows, system.DeviceAccess(),
//                   [&system](Application& a) {
//                       return std::make_unique<ProjectorDeviceLink>(a, system.Notifications());
//                   }, platform);
//   app.Program().debugOutput.SetSink(win32::DebuggerSink());
//   app.Run();
//
// Destroy it after the program has ended (it unregisters what is left).
#pragma once

#include "platform/DeviceAccess.h"
#include "platform/DeviceNotifications.h"
#include "platform/NativeDevices.h"
#include "platform/win32/SystemServices.h"
#include "platform/win32/Win32DeviceAccess.h"
#include "platform/win32/Win32DeviceNotifications.h"

namespace corvane::win32 {

class Win32System final : public platform::NativeDevices {
public:
    Win32System() = default;
    Win32System(const Win32System&) = delete;
    Win32System& operator=(const Win32System&) = delete;

    platform::DeviceAccess& DeviceAccess() { return access_; }
    platform::DeviceNotifications& Notifications() override { return notifications_; }
    platform::DeviceAccess& Access() override { return access_; }
    Win32DeviceNotifications& SystemNotifications() { return notifications_; }

private:
    Win32DeviceAccess access_;
    Win32DeviceNotifications notifications_;
};

}  // namespace corvane::win32
