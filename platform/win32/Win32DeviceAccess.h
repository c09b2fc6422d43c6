// The program's device access on Windows: SetupAPI enumeration of a device
// interface class, CreateFileA, DeviceIoControl, CloseHandle. A DeviceHandle
// is the HANDLE's value, INVALID_HANDLE_VALUE being kInvalidDeviceHandle.
#pragma once

#include "platform/DeviceAccess.h"

namespace corvane::win32 {

class Win32DeviceAccess final : public platform::DeviceAccess {
public:
    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid& interfaceClass) override;
    platform::DeviceHandle Open(const char* path) override;
    bool IoControl(platform::DeviceHandle handle, uint32_t code, const void* in, uint32_t inSize,
                   void* out, uint32_t outSize, uint32_t* bytesReturned) override;
    void Close(platform::DeviceHandle handle) override;
};

}  // namespace corvane::win32
