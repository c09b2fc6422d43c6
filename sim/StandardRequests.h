// Endpoint 0 of the virtual projector: the standard requests a host sends
// while it enumerates and configures a device.
//
//   GET_DESCRIPTOR    (0x80, 6)  device, configuration 0, strings; at most
//                                wLength bytes, like real hardware
//   SET_CONFIGURATION (0x00, 9)  wValue 0 deconfigures, bConfigurationValue
//                                configures, anything else stalls
//   GET_CONFIGURATION (0x80, 8)  one byte
//   GET_STATUS        (0x80, 0)  two zero bytes
//   SET_ADDRESS       (0x00, 5)  accepted (the hosted bus has no addresses)
// Every other request stalls.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "sim/DescriptorSet.h"

namespace corvane::sim {

// `configuration` is the selected bConfigurationValue (0: not configured) and
// is changed by SET_CONFIGURATION.
usb::UsbResult HandleStandardRequest(const DescriptorSet& descriptors,
                                     const usb::SetupPacket& setup, uint8_t* data,
                                     uint32_t* transferred, uint8_t& configuration);

// The endpoint addresses the configuration descriptor declares. The walk stops
// at a descriptor whose bLength is below 2 or runs past the bytes.
std::set<uint8_t> DeclaredEndpoints(const std::vector<uint8_t>& configuration);

}  // namespace corvane::sim
