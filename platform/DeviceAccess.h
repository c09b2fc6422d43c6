// Access to driver device interfaces from the program: find the present
// interfaces of a class, open one, send device-control requests, close.
//
// Device-control requests have METHOD_BUFFERED semantics: the input is copied
// in, and the output is copied back only when the request succeeds; on a
// failure status the caller's output buffer is left untouched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/UsbCtrl.h"

namespace corvane::platform {

using DeviceHandle = intptr_t;
inline constexpr DeviceHandle kInvalidDeviceHandle = -1;

class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;

    // Symbolic link paths of the present, enabled interfaces of the class,
    // in enumeration order.
    virtual std::vector<std::string> PresentInterfaces(const UsbCtrlGuid& interfaceClass) = 0;

    // Opens an interface path for reading and writing, for synchronous use.
    // kInvalidDeviceHandle on failure.
    virtual DeviceHandle Open(const char* path) = 0;

    // Synchronous device-control request (DeviceIoControl). True on a success
    // status; *bytesReturned (if given) receives the bytes written to out.
    virtual bool IoControl(DeviceHandle handle, uint32_t code, const void* in, uint32_t inSize,
                           void* out, uint32_t outSize, uint32_t* bytesReturned) = 0;

    virtual void Close(DeviceHandle handle) = 0;
};

}  // namespace corvane::platform
