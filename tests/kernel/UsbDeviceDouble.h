// A USB device for the hosted bus's tests: standard descriptors (one
// configuration, one interface, bulk IN 0x81 and bulk OUT 0x02 of 64 bytes),
// IN packets queued by the test, OUT transfers recorded, stalls on demand,
// and an unplug that fails the transfer blocked in the device at once.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/kernel/UsbDevice.h"

namespace corvane::kernel::test {

class UsbDeviceDouble : public usb::UsbDevice {
public:
    UsbDeviceDouble(uint16_t vendor = 0x0547, uint16_t product = 0x1002);

    // Descriptors as the device returns them (tests may replace them).
    std::vector<uint8_t> deviceDescriptor;
    std::vector<uint8_t> configuration;
    std::map<uint8_t, std::vector<uint8_t>> strings;  // raw string descriptors by index

    void QueueInPacket(std::vector<uint8_t> packet);
    std::vector<std::vector<uint8_t>> OutTransfers() const;
    std::vector<usb::SetupPacket> ControlLog() const;
    uint8_t ConfigurationValue() const;
    void StallBulk(bool stall);
    // Blocks until `count` IN transfers wait inside the device.
    void WaitForBlockedIn(int count);

    // Physical unplug and replug, reported to the port.
    void Unplug();
    void Replug();

    usb::UsbResult ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                   uint32_t* transferred) override;
    usb::UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                uint32_t* transferred) override;
    void SetPort(usb::UsbPort* port) override;
    bool IsAttached() const override;

private:
    std::mutex portMutex_;  // held while the port is called and while it changes
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    usb::UsbPort* port_ = nullptr;
    bool attached_ = true;
    bool stallBulk_ = false;
    uint8_t configurationValue_ = 0;
    int configurations_ = 0;  // SET_CONFIGURATION requests so far
    int blockedIn_ = 0;
    std::deque<std::vector<uint8_t>> inPackets_;
    std::vector<std::vector<uint8_t>> outTransfers_;
    std::vector<usb::SetupPacket> controlLog_;
};

// A string descriptor for `text` (ASCII).
std::vector<uint8_t> StringDescriptor(const char* text);

}  // namespace corvane::kernel::test
