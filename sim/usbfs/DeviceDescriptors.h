// A device's descriptors as the kernel keeps them once it has enumerated the
// device: the device descriptor, the whole first configuration, and the
// manufacturer, product and serial-number strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/UsbDevice.h"

namespace corvane::usbfs {

inline constexpr size_t kDeviceDescriptorLength = 18;
inline constexpr size_t kConfigurationHeaderLength = 9;

struct DeviceDescriptors {
    std::vector<uint8_t> device;         // 18 bytes
    std::vector<uint8_t> configuration;  // as much of configuration 0 as the device sent
    std::string manufacturer;            // empty where the device has none
    std::string product;
    std::string serialNumber;

    uint16_t UsbRelease() const { return Word(2); }
    uint8_t DeviceClass() const { return device[4]; }
    uint8_t DeviceSubClass() const { return device[5]; }
    uint8_t DeviceProtocol() const { return device[6]; }
    uint8_t MaxPacketSize0() const { return device[7]; }
    uint16_t VendorId() const { return Word(8); }
    uint16_t ProductId() const { return Word(10); }
    uint16_t DeviceRelease() const { return Word(12); }
    uint8_t NumConfigurations() const { return device[17]; }
    // From the configuration descriptor; 0 when it is too short to say.
    uint8_t ConfigurationValue() const;
    uint8_t NumInterfaces() const;
    uint8_t ConfigurationAttributes() const;
    uint8_t MaxPower() const;
    // The device descriptor followed by the configuration: sysfs "descriptors".
    std::vector<uint8_t> Raw() const;

private:
    uint16_t Word(size_t at) const {
        return static_cast<uint16_t>(device[at] | device[at + 1] << 8);
    }
};

// Reads the descriptors over endpoint 0 as the kernel does when a device
// arrives. nullopt when the device is gone or will not give its device or
// configuration descriptor; strings it refuses are left empty.
std::optional<DeviceDescriptors> ReadDescriptors(usb::UsbDevice& device);

}  // namespace corvane::usbfs
