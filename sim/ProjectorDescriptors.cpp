#include "sim/ProjectorDescriptors.h"

#include <algorithm>
#include <utility>

namespace corvane::sim {

namespace {

void SetString(UsbDescriptorSpec& spec, uint8_t index, StringSpec string) {
    for (auto& [existing, value] : spec.strings) {
        if (existing == index) {
            value = std::move(string);
            return;
        }
    }
    spec.strings.emplace_back(index, std::move(string));
}

const StringSpec* FindString(const UsbDescriptorSpec& spec, uint8_t index) {
    for (const auto& [existing, value] : spec.strings) {
        if (existing == index) {
            return &value;
        }
    }
    return nullptr;
}

}  // namespace

std::string_view ModeName(ProjectorMode mode) {
    return mode == ProjectorMode::Flash ? "Projector Flash" : "Projector Control";
}

InterfaceSpec ProjectorInterface(uint8_t number, uint8_t stringIndex) {
    InterfaceSpec intf;
    intf.number = number;
    intf.stringIndex = stringIndex;
    const uint8_t base = static_cast<uint8_t>(2 * number);
    intf.endpoints = {EndpointSpec{static_cast<uint8_t>(0x80 | (base + 1)), 0x02, 64, 0},
                      EndpointSpec{static_cast<uint8_t>(base + 2), 0x02, 64, 0}};
    return intf;
}

UsbDescriptorSpec ProjectorDescriptorSpec(const UsbIdentity& identity, ProjectorMode mode,
                                          const std::string& serialNumber) {
    UsbDescriptorSpec spec;
    spec.vendorId = identity.vendorId;
    spec.productId = identity.productId;
    spec.deviceRelease = identity.deviceRelease;
    spec.manufacturerIndex = kManufacturerString;
    spec.productIndex = kProductString;
    spec.serialNumberIndex = kSerialNumberString;
    spec.configurationIndex = kConfigurationString;
    spec.interfaces = {ProjectorInterface(0, kInterfaceString)};
    const std::string name(ModeName(mode));
    spec.strings = {{kManufacturerString, {identity.manufacturer, {}}},
                    {kProductString, {identity.product, {}}},
                    {kSerialNumberString, {serialNumber, {}}},
                    {kConfigurationString, {name, {}}},
                    {kInterfaceString, {name, {}}}};
    return spec;
}

namespace unusual {

UsbDescriptorSpec WithInterfaces(UsbDescriptorSpec spec, const std::vector<std::string>& names) {
    spec.interfaces.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        const auto stringIndex = static_cast<uint8_t>(kInterfaceString + i);
        spec.interfaces.push_back(ProjectorInterface(static_cast<uint8_t>(i), stringIndex));
        SetString(spec, stringIndex, {names[i], {}});
    }
    return spec;
}

UsbDescriptorSpec WithConfigurationName(UsbDescriptorSpec spec, const std::string& name) {
    SetString(spec, spec.configurationIndex, {name, {}});
    return spec;
}

UsbDescriptorSpec WithOneEndpoint(UsbDescriptorSpec spec, size_t position) {
    if (position < spec.interfaces.size() && spec.interfaces[position].endpoints.size() > 1) {
        spec.interfaces[position].endpoints.resize(1);
    }
    return spec;
}

UsbDescriptorSpec WithAlternateSetting(UsbDescriptorSpec spec) {
    if (spec.interfaces.empty()) {
        return spec;
    }
    InterfaceSpec alternate = spec.interfaces.front();
    alternate.alternateSetting = 1;
    const auto at = std::find_if(spec.interfaces.begin(), spec.interfaces.end(),
                                 [](const InterfaceSpec& i) { return i.number != 0; });
    spec.interfaces.insert(at, alternate);
    return spec;
}

UsbDescriptorSpec WithoutSerialNumber(UsbDescriptorSpec spec) {
    const uint8_t index = spec.serialNumberIndex;
    spec.serialNumberIndex = 0;
    std::erase_if(spec.strings, [index](const auto& entry) { return entry.first == index; });
    return spec;
}

UsbDescriptorSpec WithStringLength(UsbDescriptorSpec spec, uint8_t index, uint8_t bLength) {
    const StringSpec* existing = FindString(spec, index);
    std::vector<uint8_t> raw = {bLength, 3};
    for (char c : existing != nullptr ? existing->text : std::string("Projector")) {
        raw.push_back(static_cast<uint8_t>(c));
        raw.push_back(0);
    }
    SetString(spec, index, {existing != nullptr ? existing->text : "", raw});
    return spec;
}

UsbDescriptorSpec WithRejectedRequest(UsbDescriptorSpec spec, uint8_t type, uint8_t index) {
    spec.rejected.insert({type, index});
    return spec;
}

UsbDescriptorSpec WithTotalLength(UsbDescriptorSpec spec, uint16_t total) {
    spec.totalLength = total;
    return spec;
}

UsbDescriptorSpec WithConfigurationByte(UsbDescriptorSpec spec, size_t offset, uint8_t value) {
    spec.configurationPatches.push_back({offset, value});
    return spec;
}

}  // namespace unusual

}  // namespace corvane::sim
