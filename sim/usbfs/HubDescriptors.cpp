#include "sim/usbfs/HubDescriptors.h"

#include "sim/DescriptorSet.h"
#include "sim/UsbDescriptorSpec.h"

namespace corvane::usbfs {

namespace {

constexpr uint8_t kHubClass = 9;

DeviceDescriptors FromSpec(const sim::UsbDescriptorSpec& spec) {
    const sim::DescriptorSet set = sim::BuildDescriptors(spec);
    return {set.device, set.configuration, {}, {}, {}};
}

sim::UsbDescriptorSpec HubSpec(uint16_t vendorId, uint16_t productId, uint16_t release) {
    sim::UsbDescriptorSpec spec;
    spec.usbRelease = 0x0110;
    spec.deviceClass = kHubClass;
    spec.vendorId = vendorId;
    spec.productId = productId;
    spec.deviceRelease = release;
    spec.configurationAttributes = 0xE0;  // self-powered, remote wake-up
    spec.maxPower = 0;
    // The status-change endpoint every hub has.
    spec.interfaces = {{0, 0, kHubClass, 0, 0, 0, {{0x81, 0x03, 2, 255}}}};
    return spec;
}

}  // namespace

std::string HostControllerName(int bus) {
    return "platform/dummy_hcd." + std::to_string(bus - 1);
}

DeviceDescriptors RootHubDescriptors(int bus) {
    // Linux Foundation 1.1 root hub, with the strings the kernel gives it.
    sim::UsbDescriptorSpec spec = HubSpec(0x1D6B, 0x0001, 0x0601);
    spec.manufacturerIndex = 3;
    spec.productIndex = 2;
    spec.serialNumberIndex = 1;
    DeviceDescriptors descriptors = FromSpec(spec);
    descriptors.manufacturer = "Linux dummy_hcd";
    descriptors.product = "Dummy host controller";
    descriptors.serialNumber = "dummy_hcd." + std::to_string(bus - 1);
    return descriptors;
}

DeviceDescriptors ExternalHubDescriptors() {
    // A common four-port hub, running at full speed behind the root hub.
    sim::UsbDescriptorSpec spec = HubSpec(0x05E3, 0x0608, 0x6060);
    spec.productIndex = 1;
    DeviceDescriptors descriptors = FromSpec(spec);
    descriptors.product = "USB2.0 Hub";
    return descriptors;
}

}  // namespace corvane::usbfs
