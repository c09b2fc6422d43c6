// Where a USB device sits and what it is, as a technician names it: the
// bus-port path that stays the same for a socket ("1-4.2": bus 1, hub port 4,
// then port 2), the device node of its current address, and its ids.
#pragma once

#include <cstdint>
#include <string>

struct libusb_device;

namespace corvane::usb {

struct UsbLocation {
    uint8_t bus = 0;
    uint8_t address = 0;
    std::string portPath;  // "1-4.2"; "1-0" for a root hub itself
    uint16_t vendor = 0;
    uint16_t product = 0;

    std::string NodePath() const;  // "/dev/bus/usb/001/005"
    std::string Ids() const;       // "1209:0001"
};

UsbLocation LocationOf(libusb_device* device);

}  // namespace corvane::usb
