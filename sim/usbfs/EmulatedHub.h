// A hub of the emulated bus as a usbfs client that opens it finds it: it
// answers the standard requests (descriptors, configuration, status), and its
// status-change endpoint reports no change until the hub goes, since the
// emulation tells of arrivals by uevents alone. Programs that open every USB
// device (Wine's USB bus driver) open hubs too, and on a real system their
// nodes answer like any device's: a node that did not would fail their
// event loop.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/kernel/UsbDevice.h"
#include "sim/DescriptorSet.h"

namespace corvane::usbfs {

class EmulatedHub : public usb::UsbDevice {
public:
    explicit EmulatedHub(sim::DescriptorSet descriptors);

    usb::UsbResult ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                   uint32_t* transferred) override;
    // The status-change endpoint: waits until the hub is taken off the bus.
    usb::UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                uint32_t* transferred) override;
    void SetPort(usb::UsbPort* port) override;
    bool IsAttached() const override;

    // The hub goes: transfers waiting in it end.
    void Remove();

private:
    const sim::DescriptorSet descriptors_;
    mutable std::mutex mutex_;
    std::condition_variable removed_;
    bool attached_ = true;
};

}  // namespace corvane::usbfs
