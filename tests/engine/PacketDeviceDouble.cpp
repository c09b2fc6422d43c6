#include "PacketDeviceDouble.h"

#include <chrono>
#include <cstring>

namespace corvane::test {

void PacketDeviceDouble::QueuePacket(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    packets_.push_back(bytes);
    changed_.notify_all();
}

void PacketDeviceDouble::Unplug() {
    std::lock_guard lock(mutex_);
    attached_ = false;
    changed_.notify_all();
}

std::vector<std::string> PacketDeviceDouble::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

bool PacketDeviceDouble::WaitForPendingRead(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return waitingReads_ > 0; });
}

bool PacketDeviceDouble::IsAttached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

usb::UsbResult PacketDeviceDouble::ControlTransfer(const usb::SetupPacket&, uint8_t*,
                                                   uint32_t* transferred) {
    if (transferred != nullptr) {
        *transferred = 0;
    }
    return IsAttached() ? usb::UsbResult::Ok : usb::UsbResult::NoDevice;
}

usb::UsbResult PacketDeviceDouble::BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                                uint32_t* transferred) {
    *transferred = 0;
    std::unique_lock lock(mutex_);
    if ((endpoint & 0x80) == 0) {
        if (!attached_) {
            return usb::UsbResult::NoDevice;
        }
        written_.emplace_back(reinterpret_cast<const char*>(data), length);
        *transferred = length;
        return usb::UsbResult::Ok;
    }
    ++waitingReads_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !attached_ || !packets_.empty(); });
    --waitingReads_;
    if (!attached_) {
        return usb::UsbResult::NoDevice;
    }
    const std::string packet = packets_.front();
    packets_.pop_front();
    const uint32_t size = packet.size() < length ? static_cast<uint32_t>(packet.size()) : length;
    std::memcpy(data, packet.data(), size);
    *transferred = size;
    return usb::UsbResult::Ok;
}

}  // namespace corvane::test
