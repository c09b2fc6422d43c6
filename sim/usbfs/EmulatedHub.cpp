#include "sim/usbfs/EmulatedHub.h"

#include <algorithm>
#include <cstring>

namespace corvane::usbfs {

namespace {

constexpr uint8_t kRequestGetStatus = 0;
constexpr uint8_t kDeviceToHost = 0x80;
constexpr uint8_t kSelfPowered = 0x01;

}  // namespace

EmulatedHub::EmulatedHub(sim::DescriptorSet descriptors) : descriptors_(std::move(descriptors)) {}

usb::UsbResult EmulatedHub::ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                            uint32_t* transferred) {
    *transferred = 0;
    if (!IsAttached()) {
        return usb::UsbResult::NoDevice;
    }
    if (setup.bmRequestType == kDeviceToHost && setup.bRequest == usb::kRequestGetDescriptor) {
        const auto descriptor =
            descriptors_.Find(static_cast<uint8_t>(setup.wValue >> 8),
                              static_cast<uint8_t>(setup.wValue & 0xFF), setup.wIndex);
        if (!descriptor) {
            return usb::UsbResult::Stall;
        }
        *transferred = std::min<uint32_t>(setup.wLength, static_cast<uint32_t>(descriptor->size()));
        std::memcpy(data, descriptor->data(), *transferred);
        return usb::UsbResult::Ok;
    }
    if (setup.bmRequestType == 0x00 && setup.bRequest == usb::kRequestSetConfiguration) {
        return usb::UsbResult::Ok;
    }
    if (setup.bmRequestType == kDeviceToHost && setup.bRequest == kRequestGetStatus &&
        setup.wLength >= 2) {
        data[0] = kSelfPowered;
        data[1] = 0;
        *transferred = 2;
        return usb::UsbResult::Ok;
    }
    // The hub class's own requests are for a hub driver, which nothing here is.
    return usb::UsbResult::Stall;
}

usb::UsbResult EmulatedHub::BulkTransfer(uint8_t, uint8_t*, uint32_t, uint32_t* transferred) {
    *transferred = 0;
    std::unique_lock lock(mutex_);
    removed_.wait(lock, [this] { return !attached_; });
    return usb::UsbResult::NoDevice;
}

void EmulatedHub::SetPort(usb::UsbPort*) {}

bool EmulatedHub::IsAttached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

void EmulatedHub::Remove() {
    {
        std::lock_guard lock(mutex_);
        attached_ = false;
    }
    removed_.notify_all();
}

}  // namespace corvane::usbfs
