#include "sim/DescriptorSet.h"

#include <algorithm>

#include "platform/kernel/UsbDevice.h"

namespace corvane::sim {

namespace {

void PutWord(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<uint8_t> DeviceDescriptor(const UsbDescriptorSpec& spec) {
    std::vector<uint8_t> bytes = {18, usb::kDescriptorDevice};
    PutWord(bytes, spec.usbRelease);
    bytes.insert(bytes.end(), {spec.deviceClass, 0, 0, spec.maxPacketSize0});
    PutWord(bytes, spec.vendorId);
    PutWord(bytes, spec.productId);
    PutWord(bytes, spec.deviceRelease);
    bytes.insert(bytes.end(),
                 {spec.manufacturerIndex, spec.productIndex, spec.serialNumberIndex, 1});
    return bytes;
}

uint8_t CountInterfaces(const UsbDescriptorSpec& spec) {
    std::set<uint8_t> numbers;
    for (const InterfaceSpec& intf : spec.interfaces) {
        numbers.insert(intf.number);
    }
    return static_cast<uint8_t>(numbers.size());
}

std::vector<uint8_t> ConfigurationDescriptor(const UsbDescriptorSpec& spec) {
    std::vector<uint8_t> bytes = {9,
                                  usb::kDescriptorConfiguration,
                                  0,
                                  0,
                                  spec.numInterfaces.value_or(CountInterfaces(spec)),
                                  spec.configurationValue,
                                  spec.configurationIndex,
                                  spec.configurationAttributes,
                                  spec.maxPower};
    for (const InterfaceSpec& intf : spec.interfaces) {
        bytes.insert(bytes.end(),
                     {9, usb::kDescriptorInterface, intf.number, intf.alternateSetting,
                      static_cast<uint8_t>(intf.endpoints.size()), intf.interfaceClass,
                      intf.interfaceSubClass, intf.interfaceProtocol, intf.stringIndex});
        for (const EndpointSpec& endpoint : intf.endpoints) {
            bytes.insert(bytes.end(),
                         {7, usb::kDescriptorEndpoint, endpoint.address, endpoint.attributes});
            PutWord(bytes, endpoint.maxPacketSize);
            bytes.push_back(endpoint.interval);
        }
    }
    const uint16_t total = spec.totalLength.value_or(static_cast<uint16_t>(bytes.size()));
    bytes[2] = static_cast<uint8_t>(total & 0xFF);
    bytes[3] = static_cast<uint8_t>(total >> 8);
    for (const BytePatch& patch : spec.configurationPatches) {
        if (patch.offset < bytes.size()) {
            bytes[patch.offset] = patch.value;
        }
    }
    return bytes;
}

std::vector<uint8_t> StringDescriptor(const StringSpec& string) {
    if (string.raw) {
        return *string.raw;
    }
    // Texts longer than a descriptor can hold are cut at 126 characters.
    const size_t length = std::min<size_t>(string.text.size(), 126);
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(2 + 2 * length), usb::kDescriptorString};
    for (size_t i = 0; i < length; ++i) {
        PutWord(bytes, static_cast<uint8_t>(string.text[i]));
    }
    return bytes;
}

}  // namespace

std::optional<std::vector<uint8_t>> DescriptorSet::Find(uint8_t type, uint8_t index,
                                                        uint16_t languageId) const {
    if (rejected.count({type, index}) != 0) {
        return std::nullopt;
    }
    switch (type) {
        case usb::kDescriptorDevice:
            return index == 0 ? std::optional(device) : std::nullopt;
        case usb::kDescriptorConfiguration:
            return index == 0 ? std::optional(configuration) : std::nullopt;
        case usb::kDescriptorString: {
            // The language table answers any language id; texts only their own.
            if (index != 0 && languageId != language) {
                return std::nullopt;
            }
            const auto it = strings.find(index);
            return it == strings.end() ? std::nullopt : std::optional(it->second);
        }
        default:
            return std::nullopt;
    }
}

uint8_t DescriptorSet::ConfigurationValue() const {
    return configuration.size() > 5 ? configuration[5] : 0;
}

DescriptorSet BuildDescriptors(const UsbDescriptorSpec& spec) {
    DescriptorSet set;
    set.device = DeviceDescriptor(spec);
    set.configuration = ConfigurationDescriptor(spec);
    std::vector<uint8_t> table = {static_cast<uint8_t>(2 + 2 * spec.languages.size()),
                                  usb::kDescriptorString};
    for (uint16_t language : spec.languages) {
        PutWord(table, language);
    }
    set.strings[0] = table;
    for (const auto& [index, string] : spec.strings) {
        if (index != 0 || string.raw) {
            set.strings[index] = StringDescriptor(string);
        }
    }
    set.language = spec.languages.empty() ? kLanguageEnglishUs : spec.languages.front();
    set.rejected = spec.rejected;
    return set;
}

}  // namespace corvane::sim
