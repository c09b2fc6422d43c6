// A device's descriptors laid out in bytes, as GET_DESCRIPTOR returns them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "sim/UsbDescriptorSpec.h"

namespace corvane::sim {

struct DescriptorSet {
    std::vector<uint8_t> device;
    std::vector<uint8_t> configuration;               // configuration index 0, whole
    std::map<uint8_t, std::vector<uint8_t>> strings;  // index 0: language table
    uint16_t language = kLanguageEnglishUs;
    std::set<std::pair<uint8_t, uint8_t>> rejected;

    // The descriptor a GET_DESCRIPTOR (type, index, language) returns, whole;
    // nullopt when the device stalls the request.
    std::optional<std::vector<uint8_t>> Find(uint8_t type, uint8_t index,
                                             uint16_t languageId) const;
    // bConfigurationValue of the configuration (0 if it is too short to say).
    uint8_t ConfigurationValue() const;
};

// Lays out `deviceSpec` in bytes.
DescriptorSet BuildDescriptors(const UsbDescriptorSpec& deviceSpec);

}  // namespace corvane::sim
