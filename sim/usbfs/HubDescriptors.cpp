#include "sim/usbfs/HubDescriptors.h"

#include "sim/DescriptorSet.h"
#include "sim/UsbDescriptorSpec.h"

namespace corvane::usbfs {

namespace {

constexpr uint8_t kHubClass = 9;

sim::UsbDescriptorSpec HubSpec(uint16_t vendorId, uint16_t productId, uint16_t release) {
    sim::UsbDescriptorSpec description;
    description.usbRelease = 0x0110;
    description.deviceClass = kHubClass;
    description.vendorId = vendorId;
    description.productId = productId;
    description.deviceRelease = release;
    description.configurationAttributes = 0xE0;  // self-powered, remote wake-up
    description.maxPower = 0;
    // The status-change endpoint every hub has.
    description.interfaces = {{0, 0, kHubClass, 0, 0, 0, {{0x81, 0x03, 2, 255}}}};
    return description;
}

}  // namespace

std::string HostControllerName(int bus) {
    return "platform/dummy_hcd." + std::to_string(bus - 1);
}

sim::UsbDescriptorSpec RootHubSpec(int bus) {
    // Linux Foundation 1.1 root hub, with the strings the kernel gives it.
    sim::UsbDescriptorSpec description = HubSpec(0x1D6B, 0x0001, 0x0601);
    description.manufacturerIndex = 3;
    description.productIndex = 2;
    description.serialNumberIndex = 1;
    description.strings = {{3, {"Linux dummy_hcd", {}}},
                           {2, {"Dummy host controller", {}}},
                           {1, {"dummy_hcd." + std::to_string(bus - 1), {}}}};
    return description;
}

sim::UsbDescriptorSpec ExternalHubSpec() {
    // A common four-port hub, running at full speed behind the root hub.
    sim::UsbDescriptorSpec description = HubSpec(0x05E3, 0x0608, 0x6060);
    description.productIndex = 1;
    description.strings = {{1, {"USB2.0 Hub", {}}}};
    return description;
}

DeviceDescriptors EnumeratedDescriptors(const sim::UsbDescriptorSpec& description) {
    const sim::DescriptorSet set = sim::BuildDescriptors(description);
    DeviceDescriptors descriptors{set.device, set.configuration, {}, {}, {}};
    for (const auto& [index, string] : description.strings) {
        if (index == description.manufacturerIndex) {
            descriptors.manufacturer = string.text;
        } else if (index == description.productIndex) {
            descriptors.product = string.text;
        } else if (index == description.serialNumberIndex) {
            descriptors.serialNumber = string.text;
        }
    }
    return descriptors;
}

}  // namespace corvane::usbfs
