#include "sim/usbfs/EmulatedBus.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "sim/DescriptorSet.h"
#include "sim/usbfs/DeviceSession.h"
#include "sim/usbfs/EmulatedHub.h"
#include "sim/usbfs/HubDescriptors.h"
#include "sim/usbfs/IoctlHandler.h"
#include "sim/usbfs/SysfsRecord.h"

namespace corvane::usbfs {

namespace {

constexpr unsigned kHubNodeMode = 0664;  // as udev leaves hubs
constexpr int kRootHubSpeedMbps = kFullSpeedMbps;

}  // namespace

EmulatedBus::EmulatedBus(MockTestbed& testbed, std::shared_ptr<IoctlHandler> handler)
    : testbed_(testbed), handler_(std::move(handler)) {}

EmulatedBus::~EmulatedBus() {
    StopHubs();
}

void EmulatedBus::StopHubs() {
    std::vector<std::pair<EmulatedHub*, std::shared_ptr<DeviceSession>>> hubs;
    {
        std::lock_guard lock(hubsMutex_);
        for (auto& [devnode, hub] : hubs_) {
            hubs.emplace_back(hub.device.get(), hub.session);
        }
    }
    for (auto& [device, session] : hubs) {
        device->Remove();
        session->Stop();
    }
}

std::shared_ptr<DeviceSession> EmulatedBus::HubSessionAt(const std::string& devnode) const {
    std::lock_guard lock(hubsMutex_);
    const auto found = hubs_.find(devnode);
    return found == hubs_.end() ? nullptr : found->second.session;
}

std::string EmulatedBus::AddHub(const std::string& parent, const std::string& name,
                                const DevicePlace& place,
                                const sim::UsbDescriptorSpec& description) {
    const DeviceDescriptors descriptors = EnumeratedDescriptors(description);
    const uint8_t configuration = descriptors.ConfigurationValue();
    Hub hub;
    hub.device = std::make_unique<EmulatedHub>(sim::BuildDescriptors(description));
    // A root hub has no port path; nothing a hub is asked needs one.
    DeviceSession::Setup setup;
    setup.deviceNumber = place.deviceNumber;
    setup.speedMbps = place.speedMbps;
    setup.descriptors = descriptors;
    setup.configuration = configuration;
    DeviceSession::Events events;
    events.urbsReady = IoctlHandler::UrbsReadyEvent(handler_);
    hub.session = std::make_shared<DeviceSession>(*hub.device, std::move(setup), std::move(events));
    const SysfsRecord record = DescribeUsbDevice(place, descriptors, configuration);
    {
        std::lock_guard lock(hubsMutex_);
        hubs_[record.devnode] = std::move(hub);
    }
    testbed_.AttachIoctl(record.devnode, handler_->Base());
    testbed_.CreateNode(record.devnode, kHubNodeMode);
    return testbed_.AddDevice(parent, name, record);
}

EmulatedBus::Bus& EmulatedBus::BusFor(int number) {
    const auto found = buses_.find(number);
    if (found != buses_.end()) {
        return found->second;
    }
    Bus& bus = buses_[number];
    // The root hub is the first device the kernel numbers on a bus.
    const int deviceNumber = *bus.numbers.Take();
    const DevicePlace place{RootHubName(number), "0", number, deviceNumber, kRootHubSpeedMbps};
    bus.rootSyspath =
        AddHub("", HostControllerName(number) + "/" + place.name, place, RootHubSpec(number));
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
    const std::string syspath = AddHub(above, name, place, ExternalHubSpec());
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
    testbed_.AttachIoctl(placement.devnode, handler_->Base());
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
