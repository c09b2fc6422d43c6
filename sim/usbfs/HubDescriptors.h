// The hubs a device's port path runs through, as the emulated bus presents
// them: each bus's root hub (a full-speed Linux root hub on a dummy_hcd host
// controller) and plain hubs on the ports between it and the device.
#pragma once

#include <string>

#include "sim/UsbDescriptorSpec.h"
#include "sim/usbfs/DeviceDescriptors.h"

namespace corvane::usbfs {

sim::UsbDescriptorSpec RootHubSpec(int bus);
sim::UsbDescriptorSpec ExternalHubSpec();

// The descriptors as the kernel keeps them for sysfs, strings included.
DeviceDescriptors EnumeratedDescriptors(const sim::UsbDescriptorSpec& description);

// The sysfs directory of bus `bus`'s host controller.
std::string HostControllerName(int bus);

}  // namespace corvane::usbfs
