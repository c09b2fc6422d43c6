// Dornik's start-up over arbitrary device, configuration and string
// descriptors, in the hosted kernel on the hosted USB bus. Input:
//   [0]        bits 0-1: Windows generation; bit 2: the cable is pulled
//              instead of an orderly removal
//   [1]        device descriptor length, then its bytes
//   [..+2]     configuration length (little-endian, modulo 1024), then bytes
//   then strings: index, length, bytes (as many as follow)
// Checks: the device ends started, failed or without driver, never hangs;
// a started device has an interface descriptor and answers the product
// information request with terminated strings; after the removal nothing
// of the driver's pool is left and no kernel rule was broken.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "common/UsbCtrl.h"
#include "driver/Driver.h"
#include "fuzz/FuzzCheck.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/PoolTracker.h"
#include "platform/kernel/UsbDevice.h"

namespace {

using namespace corvane;

// A device that answers descriptor requests with whatever bytes it was
// given (stalling the ones it lacks) and never moves bulk data.
class RawDescriptorDeviceDouble : public usb::UsbDevice {
public:
    std::vector<uint8_t> device;
    std::vector<uint8_t> configuration;
    std::map<uint8_t, std::vector<uint8_t>> strings;

    usb::UsbResult ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                   uint32_t* transferred) override {
        *transferred = 0;
        if (!attached_) {
            return usb::UsbResult::NoDevice;
        }
        if (setup.bRequest == usb::kRequestSetConfiguration) {
            return usb::UsbResult::Ok;
        }
        if (setup.bRequest != usb::kRequestGetDescriptor) {
            return usb::UsbResult::Stall;
        }
        const uint8_t type = static_cast<uint8_t>(setup.wValue >> 8);
        const uint8_t index = static_cast<uint8_t>(setup.wValue & 0xFF);
        const std::vector<uint8_t>* found = nullptr;
        if (type == usb::kDescriptorDevice && !device.empty()) {
            found = &device;
        } else if (type == usb::kDescriptorConfiguration && index == 0 && !configuration.empty()) {
            found = &configuration;
        } else if (type == usb::kDescriptorString && strings.count(index) != 0) {
            found = &strings[index];
        }
        if (found == nullptr) {
            return usb::UsbResult::Stall;
        }
        const size_t n = found->size() < setup.wLength ? found->size() : setup.wLength;
        for (size_t i = 0; i < n; ++i) {
            data[i] = (*found)[i];
        }
        *transferred = static_cast<uint32_t>(n);
        return usb::UsbResult::Ok;
    }
    usb::UsbResult BulkTransfer(uint8_t, uint8_t*, uint32_t, uint32_t* transferred) override {
        *transferred = 0;
        return usb::UsbResult::NoDevice;
    }
    void SetPort(usb::UsbPort* port) override {
        std::lock_guard lock(mutex_);
        port_ = port;
    }
    bool IsAttached() const override { return attached_; }
    void Unplug() {
        attached_ = false;
        std::lock_guard lock(mutex_);
        if (port_ != nullptr) {
            port_->DeviceDetached();
        }
    }

private:
    std::atomic<bool> attached_{true};
    std::mutex mutex_;
    usb::UsbPort* port_ = nullptr;
};

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::vector<uint8_t> Bytes(size_t n) {
        std::vector<uint8_t> bytes;
        while (bytes.size() < n && !Empty()) {
            bytes.push_back(Byte());
        }
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

bool HasInterfaceDescriptor(const std::vector<uint8_t>& configuration) {
    for (size_t at = 0; at + 1 < configuration.size() && configuration[at] != 0;
         at += configuration[at]) {
        if (configuration[at + 1] == usb::kDescriptorInterface) {
            return true;
        }
    }
    return false;
}

bool Terminated(const uint16_t* units) {
    for (uint32_t i = 0; i < USBCTRL_STRING_UNITS; ++i) {
        if (units[i] == 0) {
            return true;
        }
    }
    return false;
}

void CheckStartedDevice(kernel::KernelHost& host) {
    kernel::HostedDeviceAccess access(host);
    const std::vector<std::string> paths = access.PresentInterfaces(USBCTRL_GUID);
    FUZZ_CHECK(paths.size() == 1);
    const platform::DeviceHandle handle = access.Open(paths[0].c_str());
    FUZZ_CHECK(handle != platform::kInvalidDeviceHandle);
    USBCTRL_REQUEST request{};
    USBCTRL_REPLY reply{};
    uint32_t returned = 0;
    FUZZ_CHECK(access.IoControl(handle, IOCTRL_GET_PRODUCT_INFO, &request, sizeof(request), &reply,
                                sizeof(reply), &returned));
    FUZZ_CHECK(returned == sizeof(reply));
    const auto* info = reinterpret_cast<const USBCTRL_PRODUCT_INFO*>(&reply);
    FUZZ_CHECK(Terminated(info->Manufacturer) && Terminated(info->Product) &&
               Terminated(info->SerialNumber) && Terminated(info->Configuration));
    access.Close(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    Input input(data, size);
    const uint8_t options = input.Byte();
    RawDescriptorDeviceDouble device;
    device.device = input.Bytes(input.Byte());
    const size_t configurationLength = (input.Byte() | input.Byte() << 8) % 1024;
    device.configuration = input.Bytes(configurationLength);
    while (!input.Empty()) {
        const uint8_t index = input.Byte();
        device.strings[index] = input.Bytes(input.Byte());
    }

    kernel::KernelHost::Options hostOptions;
    hostOptions.generation = static_cast<kernel::WindowsGeneration>(options & 3);
    kernel::KernelHost host(hostOptions);
    host.RegisterDriver(DriverEntry);
    host.PlugDevice(device);
    host.WaitForPnpIdle();
    const kernel::DeviceState state = host.StateOf(device);
    FUZZ_CHECK(state != kernel::DeviceState::SurpriseRemoved);
    if (state == kernel::DeviceState::Started) {
        FUZZ_CHECK(HasInterfaceDescriptor(device.configuration));
        CheckStartedDevice(host);
    }
    if ((options & 4) != 0) {
        device.Unplug();
        host.WaitForPnpIdle();
    } else if (state != kernel::DeviceState::NotPresent) {
        host.RemoveDevice(device);
    }
    host.Shutdown();
    FUZZ_CHECK(host.Pool().OutstandingTotal() == 0);
    FUZZ_CHECK(host.Violations().empty());
    FUZZ_CHECK(host.Assertions().empty());
    return 0;
}
