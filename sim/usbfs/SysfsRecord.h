// One USB device as sysfs and udev show it: the attributes in its directory
// (busnum, devnum, speed, descriptors, ...) and the properties of its uevent,
// built from its descriptors and its place on the bus.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/usbfs/DeviceDescriptors.h"

namespace corvane::usbfs {

inline constexpr int kUsbDeviceMajor = 189;
inline constexpr int kFullSpeedMbps = 12;

struct SysfsRecord {
    std::string name;  // "1-4.2", or "usb1" for a root hub
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::pair<std::string, std::string>> properties;
    std::vector<uint8_t> descriptors;
    std::string devnode;  // "/dev/bus/usb/001/005"
};

struct DevicePlace {
    std::string name;     // sysfs name
    std::string devPath;  // "4.2"; "0" for a root hub
    int bus = 1;
    int deviceNumber = 1;
    int speedMbps = kFullSpeedMbps;
};

SysfsRecord DescribeUsbDevice(const DevicePlace& place, const DeviceDescriptors& descriptors,
                              uint8_t configuration);

// "/dev/bus/usb/001/005".
std::string DeviceNodePath(int bus, int deviceNumber);

// The text of the bConfigurationValue attribute: empty (no newline either)
// when unconfigured, as the kernel leaves it.
std::string ConfigurationAttribute(uint8_t configuration);

}  // namespace corvane::usbfs
