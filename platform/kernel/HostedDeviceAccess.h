// The program's access to driver interfaces on Linux: the SetupDi, CreateFile,
// DeviceIoControl and CloseHandle path, carried through the hosted kernel's
// device stacks, and the interface arrival and removal notifications that
// RegisterDeviceNotification would deliver.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DeviceAccess.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

class HostedDeviceAccess : public platform::DeviceAccess {
public:
    explicit HostedDeviceAccess(KernelHost& host);
    ~HostedDeviceAccess() override;  // unregisters its notifications

    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid& interfaceClass) override;
    // IRP_MJ_CREATE to the top of the interface's stack; fails when the
    // interface is disabled or the device is being removed.
    platform::DeviceHandle Open(const char* path) override;
    bool IoControl(platform::DeviceHandle handle, uint32_t code, const void* in, uint32_t inSize,
                   void* out, uint32_t outSize, uint32_t* bytesReturned) override;
    void Close(platform::DeviceHandle handle) override;

    // ReadFile / WriteFile on an open handle: true on a success status.
    bool Read(platform::DeviceHandle handle, void* buffer, uint32_t length, uint32_t* bytesRead);
    bool Write(platform::DeviceHandle handle, const void* buffer, uint32_t length,
               uint32_t* bytesWritten);
    // The NTSTATUS of the last failed call that this thread made through this
    // object (what GetLastError would be made from).
    NTSTATUS LastStatus() const;

    // Interface arrival (arrived = true) and removal for a class; called on
    // the kernel's Plug and Play thread. Returns an id for Unregister.
    using Notification = std::function<void(const std::string& path, bool arrived)>;
    int RegisterNotification(const UsbCtrlGuid& interfaceClass, Notification callback);
    void UnregisterNotification(int id);

private:
    bool Finish(NTSTATUS status);

    KernelHost& host_;
    mutable std::mutex mutex_;
    std::map<std::thread::id, NTSTATUS> lastStatus_;
    std::vector<int> registrations_;
};

}  // namespace corvane::kernel
