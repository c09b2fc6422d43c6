// A USB device reached through libusb, as the hosted USB bus sees it: control
// transfers on endpoint 0 and bulk-or-interrupt transfers on the endpoints of
// the interfaces it has claimed.
//
// Transfers are libusb's asynchronous ones, completed on the context's event
// thread; a bulk transfer waits with no time-out, as on a real bus: only the
// device's answer, its departure, or the bus's reset (SET_CONFIGURATION 0,
// sent before the bus lets go of a device) ends it. Control transfers to a
// device that does not answer give up after 5 s, as a host controller does.
//
// The device is configured by the system already: a SET_CONFIGURATION of the
// active configuration only opens the endpoints again, so the claims stay.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/UsbDevice.h"
#include "platform/libusb/UsbLocation.h"

struct libusb_device;
struct libusb_device_handle;
struct libusb_transfer;

namespace corvane::usb {

enum class OpenFailure {
    None,
    NoPermission,  // the device node is not ours to open (no udev rule)
    Busy,          // another program has claimed the interface
    Gone,          // it left while being opened
    Other,
};

class LibusbDevice final : public UsbDevice {
public:
    // Opens the device; nullptr with the reason in *failure when it cannot.
    static std::unique_ptr<LibusbDevice> Open(libusb_device* device, OpenFailure* failure);
    ~LibusbDevice() override;  // Close()
    LibusbDevice(const LibusbDevice&) = delete;
    LibusbDevice& operator=(const LibusbDevice&) = delete;

    // The serial number string (in the device's first language, as ASCII);
    // empty if it has none.
    std::string SerialNumber();
    // Claims every interface of the active configuration, a kernel driver
    // that holds one detached first (and given it back at release).
    OpenFailure Claim();

    const UsbLocation& Location() const { return location_; }
    libusb_device* Device() const { return device_; }

    // It has left the bus: every transfer fails with NoDevice from now on,
    // and the port hears of it once.
    void Depart();

    // Ends every transfer, releases the claims (a detached kernel driver gets
    // the device back) and closes the handle; from then on it is gone for
    // the bus. Call it once the bus has let go of the device. Idempotent.
    void Close();

    // UsbDevice.
    UsbResult ControlTransfer(const SetupPacket& setup, uint8_t* data,
                              uint32_t* transferred) override;
    UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                           uint32_t* transferred) override;
    void SetPort(UsbPort* port) override;
    bool IsAttached() const override;

private:
    struct Flight;

    LibusbDevice(libusb_device* device, libusb_device_handle* handle);
    UsbResult Run(libusb_transfer* transfer, Flight& flight);
    UsbResult SetConfiguration(uint16_t value);
    void ReleaseClaims();
    // Cancels every transfer in flight and waits until each has returned.
    void EndTransfers(std::unique_lock<std::mutex>& lock);
    static void OnTransferDone(libusb_transfer* transfer);

    libusb_device* device_;
    libusb_device_handle* handle_;
    const UsbLocation location_;

    mutable std::mutex mutex_;
    std::condition_variable flightsChanged_;
    std::set<libusb_transfer*> inFlight_;
    std::set<int> claimed_;
    bool departed_ = false;
    bool configured_ = false;  // endpoints open: after SET_CONFIGURATION, before the reset

    std::mutex portMutex_;  // held while the port is called, so SetPort(nullptr) waits
    UsbPort* port_ = nullptr;
    bool departureReported_ = false;
};

}  // namespace corvane::usb
