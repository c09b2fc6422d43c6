// The emulated USB buses as the kernel's USB core keeps them: a root hub per
// bus, the hubs a port path runs through, the device numbers, and for each
// device its sysfs directory, its device node (answered by the ioctl handler)
// and its "add" and "remove" uevents. Hub thread only, but for HubSessionAt.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/UsbDescriptorSpec.h"
#include "sim/usbfs/DeviceDescriptors.h"
#include "sim/usbfs/DeviceNumberPool.h"
#include "sim/usbfs/MockTestbed.h"
#include "sim/usbfs/PortPath.h"
#include "sim/usbfs/SysfsRecord.h"

namespace corvane::usbfs {

struct Placement {
    PortPath path;
    int deviceNumber = 0;
    std::string syspath;  // "/sys/devices/platform/dummy_hcd.0/usb1/1-4/1-4.2"
    std::string devnode;  // "/dev/bus/usb/001/007"
};

class DeviceSession;
class EmulatedHub;
class IoctlHandler;

class EmulatedBus {
public:
    EmulatedBus(MockTestbed& testbed, std::shared_ptr<IoctlHandler> handler);
    ~EmulatedBus();  // StopHubs()
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    // Names the device's directory and node and takes a new device number for
    // it, bringing up the root hub and the hubs on the way first. nullopt when
    // the bus has no number left.
    std::optional<Placement> Place(const PortPath& path);
    // The device appears: its node with `mode`, answered by the ioctl
    // handler, then its directory with the "add" uevent.
    void Publish(const Placement& placement, const DeviceDescriptors& descriptors,
                 uint8_t configuration, unsigned mode, int speedMbps);
    // The device goes: the "remove" uevent, its directory and node; its number
    // is free again.
    void Withdraw(const Placement& placement);
    void SetConfiguration(const Placement& placement, uint8_t value);

    // The session of the hub whose node `devnode` is; null when none is. Any
    // thread.
    std::shared_ptr<DeviceSession> HubSessionAt(const std::string& devnode) const;
    // The hubs go: their sessions end, answering ENODEV from then on.
    void StopHubs();

private:
    struct Bus {
        DeviceNumberPool numbers;
        std::string rootSyspath;
        std::map<std::string, std::string> hubs;  // port path name -> syspath
    };

    struct Hub {
        std::unique_ptr<EmulatedHub> device;
        std::shared_ptr<DeviceSession> session;
    };

    Bus& BusFor(int number);
    std::string HubSyspath(Bus& bus, const PortPath& path);
    // A hub's node, answered like any device's, and its directory.
    std::string AddHub(const std::string& parent, const std::string& name, const DevicePlace& place,
                       const sim::UsbDescriptorSpec& description);

    MockTestbed& testbed_;
    const std::shared_ptr<IoctlHandler> handler_;
    std::map<int, Bus> buses_;
    mutable std::mutex hubsMutex_;
    std::map<std::string, Hub> hubs_;  // by device node
};

}  // namespace corvane::usbfs
