// A scripted USB device for the command channel's tests: the test queues the
// exact IN packets (a zero-length one included), OUT transfers are recorded,
// and unplugging fails the pending and every later transfer.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/UsbDevice.h"

namespace corvane::test {

class PacketDeviceDouble : public usb::UsbDevice {
public:
    void QueuePacket(const std::string& bytes);
    void Unplug();
    std::vector<std::string> Written() const;
    // Waits until an IN transfer is blocked waiting for a packet.
    bool WaitForPendingRead(int timeoutMs);

    usb::UsbResult ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                   uint32_t* transferred) override;
    usb::UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                uint32_t* transferred) override;
    void SetPort(usb::UsbPort*) override {}
    bool IsAttached() const override;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> packets_;
    std::vector<std::string> written_;
    bool attached_ = true;
    int waitingReads_ = 0;
};

}  // namespace corvane::test
