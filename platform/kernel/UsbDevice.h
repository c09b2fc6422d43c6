// A USB device as the hosted USB bus sees it: control transfers on endpoint 0
// (descriptor requests, configuration selection) and bulk-or-interrupt
// transfers on its other endpoints. The virtual projector is one
// implementation; a device reached through libusb can be another.
//
// The contract mirrors a real bus: an IN transfer blocks until the device
// ends it (a short packet, or the requested length), there is no time-out,
// and unplugging fails every pending and every later transfer at once.
#pragma once

#include <cstdint>

namespace corvane::usb {

enum class UsbResult {
    Ok,
    Stall,     // the device rejected the request
    NoDevice,  // the device is not (or no longer) attached
};

// The standard 8-byte setup packet of a control transfer.
struct SetupPacket {
    uint8_t bmRequestType;  // bit 7: 1 = device to host
    uint8_t bRequest;       // 6 GET_DESCRIPTOR, 9 SET_CONFIGURATION, ...
    uint16_t wValue;        // GET_DESCRIPTOR: type << 8 | index
    uint16_t wIndex;        // GET_DESCRIPTOR of a string: language id
    uint16_t wLength;
};

inline constexpr uint8_t kRequestGetDescriptor = 6;
inline constexpr uint8_t kRequestSetConfiguration = 9;
inline constexpr uint8_t kDescriptorDevice = 1;
inline constexpr uint8_t kDescriptorConfiguration = 2;
inline constexpr uint8_t kDescriptorString = 3;
inline constexpr uint8_t kDescriptorInterface = 4;
inline constexpr uint8_t kDescriptorEndpoint = 5;

// Implemented by the bus: where a device reports that it came or went.
// Calls may come from any thread; the bus must not call back into the device
// from inside them.
class UsbPort {
public:
    virtual ~UsbPort() = default;
    virtual void DeviceAttached() = 0;
    virtual void DeviceDetached() = 0;
};

class UsbDevice {
public:
    virtual ~UsbDevice() = default;

    // Endpoint 0. For a device-to-host request `data` receives at most
    // setup.wLength bytes; for host-to-device it holds setup.wLength bytes.
    // *transferred is the number of bytes that moved.
    virtual UsbResult ControlTransfer(const SetupPacket& setup, uint8_t* data,
                                      uint32_t* transferred) = 0;

    // A bulk or interrupt transfer. IN when endpoint bit 7 is set: blocks until
    // the device sends a short packet (a zero-length one included) or `length`
    // bytes have come. OUT: the device takes `length` bytes (0 allowed).
    virtual UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                   uint32_t* transferred) = 0;

    // The bus gives the device its port when the device is plugged into it;
    // nullptr when it is taken off the bus. Before it takes a device off, the
    // bus resets it (SET_CONFIGURATION 0): a device ends the transfers it
    // holds when it is unconfigured, as when it is unplugged, and the bus
    // waits for them to return before the device may be destroyed.
    virtual void SetPort(UsbPort* port) = 0;
    virtual bool IsAttached() const = 0;
};

}  // namespace corvane::usb
