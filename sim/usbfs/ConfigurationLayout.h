// What a configuration descriptor declares, as usbfs needs it to check
// requests: its interfaces, their alternate settings and the endpoints of each.
#pragma once

#include <cstdint>
#include <vector>

namespace corvane::usbfs {

inline constexpr uint8_t kEndpointTypeMask = 0x03;
inline constexpr uint8_t kEndpointControl = 0;
inline constexpr uint8_t kEndpointIsochronous = 1;
inline constexpr uint8_t kEndpointBulk = 2;
inline constexpr uint8_t kEndpointInterrupt = 3;

struct EndpointInfo {
    uint8_t address = 0;
    uint8_t attributes = 0;
    uint16_t maxPacketSize = 0;

    uint8_t Type() const { return attributes & kEndpointTypeMask; }
    bool IsIn() const { return (address & 0x80) != 0; }
};

struct InterfaceSetting {
    uint8_t number = 0;
    uint8_t alternate = 0;
    std::vector<EndpointInfo> endpoints;
};

struct ConfigurationLayout {
    uint8_t value = 0;  // bConfigurationValue
    std::vector<InterfaceSetting> settings;

    bool HasInterface(uint8_t number) const;
    const InterfaceSetting* Setting(uint8_t number, uint8_t alternate) const;
    // How many alternate settings the interface has.
    int AlternateCount(uint8_t number) const;
    std::vector<uint8_t> InterfaceNumbers() const;
};

// Walks the bytes; the walk stops at a descriptor whose bLength is below 2
// or runs past the end, keeping what it found so far.
ConfigurationLayout ReadConfigurationLayout(const std::vector<uint8_t>& configuration);

}  // namespace corvane::usbfs
