// A test double of the platform's device access that serves the driver's
// device-control requests straight from a UsbDevice's pipes (endpoint 0x81 IN,
// 0x02 OUT), the way the driver does, without the driver. METHOD_BUFFERED: on
// a failure the caller's output buffer is not touched.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/UsbCtrl.h"
#include "platform/DeviceAccess.h"
#include "platform/kernel/UsbDevice.h"

namespace corvane::test {

inline constexpr char kDoublePath[] = "\\\\?\\usb#vid_1209&pid_0001#double#{usbctrl}";

class DeviceAccessDouble : public platform::DeviceAccess {
public:
    explicit DeviceAccessDouble(usb::UsbDevice& device) : device_(device) {}

    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid& interfaceClass) override;
    // Configures the device (SET_CONFIGURATION 1), as the driver does at start.
    platform::DeviceHandle Open(const char* path) override;
    bool IoControl(platform::DeviceHandle handle, uint32_t code, const void* in, uint32_t inSize,
                   void* out, uint32_t outSize, uint32_t* bytesReturned) override;
    void Close(platform::DeviceHandle handle) override;

    // Every IOCTRL_WRITE_DATA request as it came in, and their payloads.
    std::vector<USBCTRL_REQUEST> WriteRequests() const;
    std::vector<std::string> Writes() const;
    int ReadRequests() const;

private:
    bool Read(const USBCTRL_REQUEST& request, void* out, uint32_t outSize, uint32_t* returned);
    bool ProductInfo(void* out, uint32_t outSize, uint32_t* returned);

    static constexpr platform::DeviceHandle kHandle = 0x4D;

    usb::UsbDevice& device_;
    mutable std::mutex mutex_;
    std::vector<USBCTRL_REQUEST> writes_;
    int reads_ = 0;
    int open_ = 0;
};

}  // namespace corvane::test
