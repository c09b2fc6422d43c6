#include "sim/usbfs/EmulatedBus.h"

#include <stdexcept>

#include "sim/usbfs/HubDescriptors.h"
#include "sim/usbfs/SysfsRecord.h"

namespace corvane::usbfs {

namespace {

constexpr unsigned kHubNodeMode = 0664;  // as udev leaves hubs
constexpr int kRootHubSpeedMbps = kFullSpeedMbps;

}  // namespace

EmulatedBus::EmulatedBus(MockTestbed& testbed, UMockdevIoctlBase* handler)
    : testbed_(testbed), handler_(handler) {}

EmulatedBus::Bus& EmulatedBus::BusFor(int number) {
    const auto found = buses_.find(number);
    if (found != buses_.end()) {
        return found->second;
    }
    Bus& bus = buses_[number];
    // The root hub is the first device the kernel numbers on a bus.
    const int deviceNumber = *bus.numbers.Take();
    const DevicePlace place{RootHubName(number), "0", number, deviceNumber, kRootHubSpeedMbps};
    const DeviceDescriptors descriptors = RootHubDescriptors(number);
    const SysfsRecord record = DescribeUsbDevice(place, descriptors, 1);
    testbed_.CreateNode(record.devnode, kHubNodeMode);
    bus.rootSyspath = testbed_.AddDevice("", HostControllerName(number) + "/" + place.name, record);
    return bus;
}

std::string EmulatedBus::HubSyspath(Bus& bus, const PortPath& path) {
    const std::optional<PortPath> parent = path.Parent();
    if (!parent) {
        return bus.rootSyspath;
    }
    const std::string name = parent->Name();
    const auto found = bus.hubs.find(name);
    if (found != bus.hubs.end()) {
        return found->second;
    }
    const std::string above = HubSyspath(bus, *parent);
    const std::optional<int> deviceNumber = bus.numbers.Take();
    if (!deviceNumber) {
        throw std::runtime_error("no device number left on bus " + std::to_string(path.bus));
    }
    const DevicePlace place{name, parent->DevPath(), parent->bus, *deviceNumber, kFullSpeedMbps};
    const SysfsRecord record = DescribeUsbDevice(place, ExternalHubDescriptors(), 1);
    testbed_.CreateNode(record.devnode, kHubNodeMode);
    const std::string syspath = testbed_.AddDevice(above, name, record);
    bus.hubs[name] = syspath;
    return syspath;
}

std::optional<Placement> EmulatedBus::Place(const PortPath& path) {
    Bus& bus = BusFor(path.bus);
    const std::string parent = HubSyspath(bus, path);
    const std::optional<int> deviceNumber = bus.numbers.Take();
    if (!deviceNumber) {
        return std::nullopt;
    }
    return Placement{path, *deviceNumber, parent + "/" + path.Name(),
                     DeviceNodePath(path.bus, *deviceNumber)};
}

void EmulatedBus::Publish(const Placement& placement, const DeviceDescriptors& descriptors,
                          uint8_t configuration, unsigned mode, int speedMbps) {
    const DevicePlace place{placement.path.Name(), placement.path.DevPath(), placement.path.bus,
                            placement.deviceNumber, speedMbps};
    const SysfsRecord record = DescribeUsbDevice(place, descriptors, configuration);
    const std::string parent = placement.syspath.substr(0, placement.syspath.rfind('/'));
    // The node first, so that whoever hears the uevent can open it.
    testbed_.AttachIoctl(placement.devnode, handler_);
    testbed_.CreateNode(placement.devnode, mode);
    testbed_.AddDevice(parent, place.name, record);
}

void EmulatedBus::Withdraw(const Placement& placement) {
    // The uevent carries the device's properties, read from its directory.
    testbed_.Uevent(placement.syspath, "remove");
    testbed_.RemoveDevice(placement.syspath);
    testbed_.RemoveNode(placement.devnode);
    testbed_.DetachIoctl(placement.devnode);
    BusFor(placement.path.bus).numbers.Release(placement.deviceNumber);
}

void EmulatedBus::SetConfiguration(const Placement& placement, uint8_t value) {
    testbed_.SetAttribute(placement.syspath, "bConfigurationValue", ConfigurationAttribute(value));
}

}  // namespace corvane::usbfs
