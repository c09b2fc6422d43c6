// The virtual projector's USB identity: one configuration with one vendor-
// specific interface whose first endpoint is bulk IN 0x81 and second bulk OUT
// 0x02 (64-byte packets); configuration and interface strings name the mode;
// strings in language 0x0409, the language table as string 0.
//
// The `unusual` builders bend that identity into the devices a driver must
// survive. Each takes a descriptor layout and returns the changed copy, so they combine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ProjectorConfig.h"
#include "sim/UsbDescriptorSpec.h"

namespace corvane::sim {

inline constexpr uint8_t kManufacturerString = 1;
inline constexpr uint8_t kProductString = 2;
inline constexpr uint8_t kSerialNumberString = 3;
inline constexpr uint8_t kConfigurationString = 4;
inline constexpr uint8_t kInterfaceString = 5;  // further interfaces: 6, 7, ...
inline constexpr uint8_t kEndpointIn = 0x81;
inline constexpr uint8_t kEndpointOut = 0x02;

// "Projector Flash" or "Projector Control".
std::string_view ModeName(ProjectorMode mode);

UsbDescriptorSpec ProjectorDescriptorSpec(const UsbIdentity& identity, ProjectorMode mode,
                                          const std::string& serialNumber);

// The projector's interface: bulk IN then bulk OUT, with the endpoint numbers
// 2 * number + 1 (IN) and 2 * number + 2 (OUT), so interfaces never share them.
InterfaceSpec ProjectorInterface(uint8_t number, uint8_t stringIndex);

namespace unusual {

// One interface per name, in the given order (numbers 0, 1, ...; strings 5,
// 6, ...); names are used as given, in any case.
UsbDescriptorSpec WithInterfaces(UsbDescriptorSpec deviceSpec,
                                 const std::vector<std::string>& names);
// The configuration string reads `name` (e.g. "PROJECTOR FLASH").
UsbDescriptorSpec WithConfigurationName(UsbDescriptorSpec deviceSpec, const std::string& name);
// The interface at `position` keeps only its first endpoint.
UsbDescriptorSpec WithOneEndpoint(UsbDescriptorSpec deviceSpec, size_t position = 0);
// Interface 0 gets alternate setting 1 as well: more interface descriptors
// than bNumInterfaces.
UsbDescriptorSpec WithAlternateSetting(UsbDescriptorSpec deviceSpec);
// iSerialNumber is 0 and there is no serial-number string.
UsbDescriptorSpec WithoutSerialNumber(UsbDescriptorSpec deviceSpec);
// String `index` is sent with this bLength (0, 1, 3, ...) in front of its
// full text, whatever the text's real length.
UsbDescriptorSpec WithStringLength(UsbDescriptorSpec deviceSpec, uint8_t index, uint8_t bLength);
// The device stalls GET_DESCRIPTOR for (type, index).
UsbDescriptorSpec WithRejectedRequest(UsbDescriptorSpec deviceSpec, uint8_t type, uint8_t index);
// wTotalLength says `total` whatever the real size.
UsbDescriptorSpec WithTotalLength(UsbDescriptorSpec deviceSpec, uint16_t total);
// The configuration descriptor's byte at `offset` becomes `value` (a bLength
// that disagrees with the bytes: offset 0 configuration, 9 first interface,
// 18 its first endpoint, 25 its second).
UsbDescriptorSpec WithConfigurationByte(UsbDescriptorSpec deviceSpec, size_t offset, uint8_t value);

}  // namespace unusual

}  // namespace corvane::sim
