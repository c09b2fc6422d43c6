#include "sim/DescriptorSet.h"

#include <algorithm>

#include "platform/kernel/UsbDevice.h"

namespace corvane::sim {

namespace {

void PutWord(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<uint8_t> DeviceDescriptor(const UsbDescriptorSpec& deviceSpec) {
    std::vector<uint8_t> bytes = {18, usb::kDescriptorDevice};
    PutWord(bytes, deviceSpec.usbRelease);
    bytes.insert(bytes.end(), {deviceSpec.deviceClass, 0, 0, deviceSpec.maxPacketSize0});
    PutWord(bytes, deviceSpec.vendorId);
    PutWord(bytes, deviceSpec.productId);
    PutWord(bytes, deviceSpec.deviceRelease);
    bytes.insert(bytes.end(), {deviceSpec.manufacturerIndex, deviceSpec.productIndex,
                               deviceSpec.serialNumberIndex, 1});
    return bytes;
}

uint8_t CountInterfaces(const UsbDescriptorSpec& deviceSpec) {
    std::set<uint8_t> numbers;
    for (const InterfaceSpec& intf : deviceSpec.interfaces) {
        numbers.insert(intf.number);
    }
    return static_cast<uint8_t>(numbers.size());
}

std::vector<uint8_t> ConfigurationDescriptor(const UsbDescriptorSpec& deviceSpec) {
    std::vector<uint8_t> bytes = {9,
                                  usb::kDescriptorConfiguration,
                                  0,
                                  0,
                                  deviceSpec.numInterfaces.value_or(CountInterfaces(deviceSpec)),
                                  deviceSpec.configurationValue,
                                  deviceSpec.configurationIndex,
                                  deviceSpec.configurationAttributes,
                                  deviceSpec.maxPower};
    for (const InterfaceSpec& intf : deviceSpec.interfaces) {
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
    const uint16_t total = deviceSpec.totalLength.value_or(static_cast<uint16_t>(bytes.size()));
    bytes[2] = static_cast<uint8_t>(total & 0xFF);
    bytes[3] = static_cast<uint8_t>(total >> 8);
    for (const BytePatch& patch : deviceSpec.configurationPatches) {
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

DescriptorSet BuildDescriptors(const UsbDescriptorSpec& deviceSpec) {
    DescriptorSet set;
    set.device = DeviceDescriptor(deviceSpec);
    set.configuration = ConfigurationDescriptor(deviceSpec);
    std::vector<uint8_t> table = {static_cast<uint8_t>(2 + 2 * deviceSpec.languages.size()),
                                  usb::kDescriptorString};
    for (uint16_t language : deviceSpec.languages) {
        PutWord(table, language);
    }
    set.strings[0] = table;
    for (const auto& [index, string] : deviceSpec.strings) {
        if (index != 0 || string.raw) {
            set.strings[index] = StringDescriptor(string);
        }
    }
    set.language = deviceSpec.languages.empty() ? kLanguageEnglishUs : deviceSpec.languages.front();
    set.rejected = deviceSpec.rejected;
    return set;
}

}  // namespace corvane::sim
