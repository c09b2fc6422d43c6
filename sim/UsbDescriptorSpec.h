// A USB device's descriptors as data, before they are laid out in bytes: what
// the virtual projector presents, and what tests bend into unusual devices
// (several interfaces, alternate settings, odd string lengths, inconsistent
// lengths, requests the device rejects).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvane::sim {

inline constexpr uint16_t kLanguageEnglishUs = 0x0409;

struct EndpointSpec {
    uint8_t address = 0x81;     // bit 7: IN
    uint8_t attributes = 0x02;  // bulk
    uint16_t maxPacketSize = 64;
    uint8_t interval = 0;
};

struct InterfaceSpec {
    uint8_t number = 0;
    uint8_t alternateSetting = 0;
    uint8_t interfaceClass = 0xFF;  // vendor-specific
    uint8_t interfaceSubClass = 0;
    uint8_t interfaceProtocol = 0;
    uint8_t stringIndex = 0;
    std::vector<EndpointSpec> endpoints;
};

// A string descriptor: UTF-16LE text from ASCII, or raw bytes exactly as given
// (for bLength values that do not match the content).
struct StringSpec {
    std::string text;
    std::optional<std::vector<uint8_t>> raw;
};

// One byte of the configuration descriptor set to a value after layout.
struct BytePatch {
    size_t offset = 0;
    uint8_t value = 0;
};

struct UsbDescriptorSpec {
    // Device descriptor.
    uint16_t usbRelease = 0x0200;
    uint8_t deviceClass = 0;
    uint8_t maxPacketSize0 = 64;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t deviceRelease = 0;
    uint8_t manufacturerIndex = 0;
    uint8_t productIndex = 0;
    uint8_t serialNumberIndex = 0;

    // The one configuration.
    uint8_t configurationValue = 1;
    uint8_t configurationIndex = 0;          // iConfiguration
    uint8_t configurationAttributes = 0xC0;  // self-powered
    uint8_t maxPower = 1;                    // 2 mA
    std::vector<InterfaceSpec> interfaces;
    // bNumInterfaces: by default the number of distinct interface numbers, so
    // alternate settings give more interface descriptors than it counts.
    std::optional<uint8_t> numInterfaces;
    std::optional<uint16_t> totalLength;  // wTotalLength other than the real size
    std::vector<BytePatch> configurationPatches;

    // String index -> string (index 0 is built from `languages`).
    std::vector<std::pair<uint8_t, StringSpec>> strings;
    std::vector<uint16_t> languages = {kLanguageEnglishUs};

    // GET_DESCRIPTOR requests (type, index) that the device stalls.
    std::set<std::pair<uint8_t, uint8_t>> rejected;
};

}  // namespace corvane::sim
