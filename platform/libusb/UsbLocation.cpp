#include "platform/libusb/UsbLocation.h"

#include <libusb.h>

#include <cstdio>
#include <vector>

#include "platform/portable/UsbPortPath.h"

namespace corvane::usb {

std::string UsbLocation::NodePath() const {
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", bus, address);
    return path;
}

std::string UsbLocation::Ids() const {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", vendor, product);
    return ids;
}

UsbLocation LocationOf(libusb_device* device) {
    UsbLocation location;
    location.bus = libusb_get_bus_number(device);
    location.address = libusb_get_device_address(device);
    uint8_t ports[8];  // USB allows at most 7 tiers below the root
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    if (depth > 0) {
        location.portPath = PortPath{location.bus, std::vector<int>(ports, ports + depth)}.Name();
    } else {
        location.portPath = std::to_string(location.bus) + "-0";  // a root hub
    }
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS) {
        location.vendor = descriptor.idVendor;
        location.product = descriptor.idProduct;
    }
    return location;
}

}  // namespace corvane::usb
