// The virtual projector's side of USB transfers: endpoint 0, the bulk OUT
// stream into the firmware and the bulk IN packets out of its reply queue.
#include <cstring>
#include <thread>

#include "sim/StandardRequests.h"
#include "sim/VirtualProjector.h"

namespace corvane::sim {

namespace {

// With full-speed pacing a transfer ends no earlier than one 1 ms frame after
// it began, as on real hardware.
class FramePacing {
public:
    explicit FramePacing(bool on)
        : on_(on), end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(1)) {}
    ~FramePacing() {
        if (on_) {
            std::this_thread::sleep_until(end_);
        }
    }
    FramePacing(const FramePacing&) = delete;
    FramePacing& operator=(const FramePacing&) = delete;

private:
    bool on_;
    std::chrono::steady_clock::time_point end_;
};

}  // namespace

bool VirtualProjector::PacingOn() const {
    std::lock_guard lock(mutex_);
    return firmware_.Faults().Pacing();
}

usb::UsbResult VirtualProjector::ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                                 uint32_t* transferred) {
    uint32_t ignored = 0;
    uint32_t* count = transferred != nullptr ? transferred : &ignored;
    *count = 0;
    FramePacing pacing(PacingOn());
    usb::UsbResult result;
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return usb::UsbResult::NoDevice;
        }
        result = HandleStandardRequest(descriptors_, setup, data, count, configuration_);
    }
    // Deconfiguring stalls the IN transfers that wait.
    NotifyChanged();
    return result;
}

usb::UsbResult VirtualProjector::BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                              uint32_t* transferred) {
    uint32_t ignored = 0;
    uint32_t* count = transferred != nullptr ? transferred : &ignored;
    *count = 0;
    FramePacing pacing(PacingOn());
    if ((endpoint & 0x80) != 0) {
        return Send(endpoint, data, length, count);
    }
    return Receive(endpoint, data, length, count);
}

usb::UsbResult VirtualProjector::Receive(uint8_t endpoint, const uint8_t* data, uint32_t length,
                                         uint32_t* transferred) {
    BusRequest request;
    {
        std::lock_guard lock(mutex_);
        if (!attached_) {
            return usb::UsbResult::NoDevice;
        }
        if (configuration_ == 0 || endpoints_.count(endpoint) == 0 ||
            (length > 0 && data == nullptr)) {
            return usb::UsbResult::Stall;
        }
        log_.push_back({false, std::vector<uint8_t>(data, data + length)});
        ++outTransfers_;
        firmware_.Receive(data, length);
        *transferred = length;
        request = firmware_.TakeBusRequest();
        if (request == BusRequest::Unplug) {
            restartPending_ = false;
            DetachLocked();
        } else if (request == BusRequest::Restart) {
            DetachLocked();
            mode_ = config_.modeAfterRestart;
            restartPending_ = true;
            ++restartCount_;
        }
    }
    NotifyChanged();
    if (request != BusRequest::None) {
        // Reported from the projector's own thread, as a hub would notice it:
        // the bus may wait in its callback for this very transfer to end.
        threads_.Start([this, request] {
            reporter_.Deliver();
            if (request == BusRequest::Restart) {
                RestartAfterDelay();
            }
        });
    }
    return usb::UsbResult::Ok;
}

usb::UsbResult VirtualProjector::Send(uint8_t endpoint, uint8_t* data, uint32_t length,
                                      uint32_t* transferred) {
    if (length > 0 && data == nullptr) {
        return usb::UsbResult::Stall;
    }
    std::unique_lock lock(mutex_);
    std::vector<uint8_t> received;
    for (;;) {
        changed_.wait(lock, [&] {
            return !attached_ || configuration_ == 0 || endpoints_.count(endpoint) == 0 ||
                   received.size() == length || !firmware_.Replies().Empty();
        });
        if (!attached_) {
            return usb::UsbResult::NoDevice;
        }
        if (configuration_ == 0 || endpoints_.count(endpoint) == 0) {
            return usb::UsbResult::Stall;
        }
        if (received.size() == length) {
            break;
        }
        const std::vector<uint8_t> packet = firmware_.Replies().Take(length - received.size());
        received.insert(received.end(), packet.begin(), packet.end());
        if (packet.size() < ReplyQueue::kPacketSize) {
            break;  // a short packet (a zero-length one too) ends the transfer
        }
    }
    if (!received.empty()) {
        std::memcpy(data, received.data(), received.size());
    }
    *transferred = static_cast<uint32_t>(received.size());
    log_.push_back({true, std::move(received)});
    return usb::UsbResult::Ok;
}

}  // namespace corvane::sim
