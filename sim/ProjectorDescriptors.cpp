#include "sim/ProjectorDescriptors.h"

#include <algorithm>
#include <utility>

namespace corvane::sim {

namespace {

void SetString(UsbDescriptorSpec& deviceSpec, uint8_t index, StringSpec string) {
    for (auto& [existing, value] : deviceSpec.strings) {
        if (existing == index) {
            value = std::move(string);
            return;
        }
    }
    deviceSpec.strings.emplace_back(index, std::move(string));
}

const StringSpec* FindString(const UsbDescriptorSpec& deviceSpec, uint8_t index) {
    for (const auto& [existing, value] : deviceSpec.strings) {
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
    UsbDescriptorSpec deviceSpec;
    deviceSpec.vendorId = identity.vendorId;
    deviceSpec.productId = identity.productId;
    deviceSpec.deviceRelease = identity.deviceRelease;
    deviceSpec.manufacturerIndex = kManufacturerString;
    deviceSpec.productIndex = kProductString;
    deviceSpec.serialNumberIndex = kSerialNumberString;
    deviceSpec.configurationIndex = kConfigurationString;
    deviceSpec.interfaces = {ProjectorInterface(0, kInterfaceString)};
    const std::string name(ModeName(mode));
    deviceSpec.strings = {{kManufacturerString, {identity.manufacturer, {}}},
                          {kProductString, {identity.product, {}}},
                          {kSerialNumberString, {serialNumber, {}}},
                          {kConfigurationString, {name, {}}},
                          {kInterfaceString, {name, {}}}};
    return deviceSpec;
}

namespace unusual {

UsbDescriptorSpec WithInterfaces(UsbDescriptorSpec deviceSpec,
                                 const std::vector<std::string>& names) {
    deviceSpec.interfaces.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        const auto stringIndex = static_cast<uint8_t>(kInterfaceString + i);
        deviceSpec.interfaces.push_back(ProjectorInterface(static_cast<uint8_t>(i), stringIndex));
        SetString(deviceSpec, stringIndex, {names[i], {}});
    }
    return deviceSpec;
}

UsbDescriptorSpec WithConfigurationName(UsbDescriptorSpec deviceSpec, const std::string& name) {
    SetString(deviceSpec, deviceSpec.configurationIndex, {name, {}});
    return deviceSpec;
}

UsbDescriptorSpec WithOneEndpoint(UsbDescriptorSpec deviceSpec, size_t position) {
    if (position < deviceSpec.interfaces.size() &&
        deviceSpec.interfaces[position].endpoints.size() > 1) {
        deviceSpec.interfaces[position].endpoints.resize(1);
    }
    return deviceSpec;
}

UsbDescriptorSpec WithAlternateSetting(UsbDescriptorSpec deviceSpec) {
    if (deviceSpec.interfaces.empty()) {
        return deviceSpec;
    }
    InterfaceSpec alternate = deviceSpec.interfaces.front();
    alternate.alternateSetting = 1;
    const auto at = std::find_if(deviceSpec.interfaces.begin(), deviceSpec.interfaces.end(),
                                 [](const InterfaceSpec& i) { return i.number != 0; });
    deviceSpec.interfaces.insert(at, alternate);
    return deviceSpec;
}

UsbDescriptorSpec WithoutSerialNumber(UsbDescriptorSpec deviceSpec) {
    const uint8_t index = deviceSpec.serialNumberIndex;
    deviceSpec.serialNumberIndex = 0;
    std::erase_if(deviceSpec.strings, [index](const auto& entry) { return entry.first == index; });
    return deviceSpec;
}

UsbDescriptorSpec WithStringLength(UsbDescriptorSpec deviceSpec, uint8_t index, uint8_t bLength) {
    const StringSpec* existing = FindString(deviceSpec, index);
    std::vector<uint8_t> raw = {bLength, 3};
    for (char c : existing != nullptr ? existing->text : std::string("Projector")) {
        raw.push_back(static_cast<uint8_t>(c));
        raw.push_back(0);
    }
    SetString(deviceSpec, index, {existing != nullptr ? existing->text : "", raw});
    return deviceSpec;
}

UsbDescriptorSpec WithRejectedRequest(UsbDescriptorSpec deviceSpec, uint8_t type, uint8_t index) {
    deviceSpec.rejected.insert({type, index});
    return deviceSpec;
}

UsbDescriptorSpec WithTotalLength(UsbDescriptorSpec deviceSpec, uint16_t total) {
    deviceSpec.totalLength = total;
    return deviceSpec;
}

UsbDescriptorSpec WithConfigurationByte(UsbDescriptorSpec deviceSpec, size_t offset,
                                        uint8_t value) {
    deviceSpec.configurationPatches.push_back({offset, value});
    return deviceSpec;
}

}  // namespace unusual

}  // namespace corvane::sim
