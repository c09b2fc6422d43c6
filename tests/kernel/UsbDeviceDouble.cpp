#include "tests/kernel/UsbDeviceDouble.h"

#include <algorithm>
#include <cstring>

namespace corvane::kernel::test {

std::vector<uint8_t> StringDescriptor(const char* text) {
    std::size_t n = std::strlen(text);
    std::vector<uint8_t> bytes{static_cast<uint8_t>(2 + 2 * n), 3};
    for (std::size_t i = 0; i < n; ++i) {
        bytes.push_back(static_cast<uint8_t>(text[i]));
        bytes.push_back(0);
    }
    return bytes;
}

UsbDeviceDouble::UsbDeviceDouble(uint16_t vendor, uint16_t product) {
    deviceDescriptor = {18,
                        1,
                        0x10,
                        0x01,
                        0,
                        0,
                        0,
                        64,
                        static_cast<uint8_t>(vendor),
                        static_cast<uint8_t>(vendor >> 8),
                        static_cast<uint8_t>(product),
                        static_cast<uint8_t>(product >> 8),
                        0x00,
                        0x01,
                        1,
                        2,
                        3,
                        1};
    configuration = {9, 2, 32,   0, 1,  1,    4, 0x80, 50,  // configuration
                     9, 4, 0,    0, 2,  0xFF, 0, 0,    5,   // interface 0, two endpoints
                     7, 5, 0x81, 2, 64, 0,    0,            // bulk IN
                     7, 5, 0x02, 2, 64, 0,    0};           // bulk OUT
    strings[0] = {4, 3, 0x09, 0x04};
    strings[1] = StringDescriptor("Maker");
    strings[2] = StringDescriptor("Gadget");
    strings[3] = StringDescriptor("0001");
    strings[4] = StringDescriptor("Projector Flash");
    strings[5] = StringDescriptor("Projector Control");
}

void UsbDeviceDouble::QueueInPacket(std::vector<uint8_t> packet) {
    {
        std::lock_guard lock(mutex_);
        inPackets_.push_back(std::move(packet));
    }
    changed_.notify_all();
}

std::vector<std::vector<uint8_t>> UsbDeviceDouble::OutTransfers() const {
    std::lock_guard lock(mutex_);
    return outTransfers_;
}

std::vector<usb::SetupPacket> UsbDeviceDouble::ControlLog() const {
    std::lock_guard lock(mutex_);
    return controlLog_;
}

uint8_t UsbDeviceDouble::ConfigurationValue() const {
    std::lock_guard lock(mutex_);
    return configurationValue_;
}

void UsbDeviceDouble::StallBulk(bool stall) {
    std::lock_guard lock(mutex_);
    stallBulk_ = stall;
}

void UsbDeviceDouble::WaitForBlockedIn(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return blockedIn_ >= count; });
}

void UsbDeviceDouble::Unplug() {
    std::lock_guard portLock(portMutex_);
    usb::UsbPort* port;
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return;
        }
        attached_ = false;
        port = port_;
    }
    changed_.notify_all();
    if (port != nullptr) {
        port->DeviceDetached();
    }
}

void UsbDeviceDouble::Replug() {
    std::lock_guard portLock(portMutex_);
    usb::UsbPort* port;
    {
        std::lock_guard lock(mutex_);
        if (attached_) {
            return;
        }
        attached_ = true;
        configurationValue_ = 0;
        port = port_;
    }
    if (port != nullptr) {
        port->DeviceAttached();
    }
}

usb::UsbResult UsbDeviceDouble::ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                                uint32_t* transferred) {
    std::lock_guard lock(mutex_);
    *transferred = 0;
    controlLog_.push_back(setup);
    if (!attached_) {
        return usb::UsbResult::NoDevice;
    }
    if (setup.bRequest == usb::kRequestSetConfiguration) {
        configurationValue_ = static_cast<uint8_t>(setup.wValue);
        ++configurations_;
        changed_.notify_all();  // a deconfigured device ends its transfers
        return usb::UsbResult::Ok;
    }
    if (setup.bRequest != usb::kRequestGetDescriptor) {
        return usb::UsbResult::Ok;
    }
    const std::vector<uint8_t>* source = nullptr;
    uint8_t type = static_cast<uint8_t>(setup.wValue >> 8);
    uint8_t index = static_cast<uint8_t>(setup.wValue);
    if (type == usb::kDescriptorDevice) {
        source = &deviceDescriptor;
    } else if (type == usb::kDescriptorConfiguration && index == 0) {
        source = &configuration;
    } else if (type == usb::kDescriptorString && strings.count(index) != 0) {
        source = &strings.at(index);
    }
    if (source == nullptr) {
        return usb::UsbResult::Stall;
    }
    uint32_t n = std::min<uint32_t>(setup.wLength, static_cast<uint32_t>(source->size()));
    if (n > 0) {
        std::memcpy(data, source->data(), n);
    }
    *transferred = n;
    return usb::UsbResult::Ok;
}

usb::UsbResult UsbDeviceDouble::BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                             uint32_t* transferred) {
    std::unique_lock lock(mutex_);
    *transferred = 0;
    if (!attached_) {
        return usb::UsbResult::NoDevice;
    }
    if (stallBulk_) {
        return usb::UsbResult::Stall;
    }
    if ((endpoint & 0x80) == 0) {
        outTransfers_.emplace_back(data, data + (data != nullptr ? length : 0));
        return usb::UsbResult::Ok;
    }
    ++blockedIn_;
    changed_.notify_all();
    int configurations = configurations_;
    changed_.wait(lock, [&] {
        return !attached_ || !inPackets_.empty() ||
               (configurations_ != configurations && configurationValue_ == 0);
    });
    --blockedIn_;
    if (!attached_) {
        return usb::UsbResult::NoDevice;
    }
    if (inPackets_.empty()) {
        return usb::UsbResult::Stall;  // deconfigured under the transfer
    }
    std::vector<uint8_t> packet = std::move(inPackets_.front());
    inPackets_.pop_front();
    uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(packet.size()));
    if (n > 0) {
        std::memcpy(data, packet.data(), n);
    }
    *transferred = n;
    return usb::UsbResult::Ok;
}

void UsbDeviceDouble::SetPort(usb::UsbPort* port) {
    std::lock_guard portLock(portMutex_);
    std::lock_guard lock(mutex_);
    port_ = port;
}

bool UsbDeviceDouble::IsAttached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

}  // namespace corvane::kernel::test
