// The program's operating system on Linux, put together once for every front
// end and for the end-to-end tests: the user-mode kernel with Dornik
// registered as the USB function driver, the program's device access through
// it, the device notifications, and optionally a virtual projector on the
// hosted USB bus.
//
//   hosted::HostedSystem system;
//   system.PlugProjector(config);           // optional: --simulate
//   Application app(windows, system.DeviceAccess(),
//                   MakeProjectorDeviceLink(system.Notifications()));
//   app.Run();
//   system.Shutdown();                      // also done by the destructor
//
// Plugging and unplugging return once the driver has handled the change.
// Not thread-safe itself: call it from one thread (the projector it returns
// is thread-safe).
#pragma once

#include <memory>
#include <vector>

#include "hosted/DeviceSource.h"
#include "hosted/HostedDeviceNotifications.h"
#include "platform/DeviceAccess.h"
#include "platform/DeviceNotifications.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "sim/ProjectorConfig.h"
#include "sim/VirtualProjector.h"

namespace corvane::hosted {

class HostedSystem {
public:
    HostedSystem();
    explicit HostedSystem(kernel::KernelHost::Options options);
    ~HostedSystem();  // Shutdown()
    HostedSystem(const HostedSystem&) = delete;
    HostedSystem& operator=(const HostedSystem&) = delete;

    // Makes a virtual projector and plugs it into the bus (a projector made
    // earlier is unplugged first). Throws std::invalid_argument for
    // a configuration the projector refuses (see sim::VirtualProjector).
    sim::VirtualProjector& PlugProjector(sim::ProjectorConfig config = {});
    // Pulls the projector's cable: its transfers fail and the bus reports a
    // surprise removal. It stays for inspection until Shutdown, and
    // Projector()->Plug() plugs it in again.
    void UnplugProjector();
    // The projector made last; nullptr if none.
    sim::VirtualProjector* Projector() { return projector_; }

    // Another source of devices for the bus (real projectors); stopped first
    // at Shutdown.
    void AddSource(std::unique_ptr<DeviceSource> source);

    platform::DeviceAccess& DeviceAccess() { return access_; }
    kernel::HostedDeviceAccess& HostedAccess() { return access_; }
    platform::DeviceNotifications& Notifications() { return notifications_; }
    HostedDeviceNotifications& HostedNotifications() { return notifications_; }
    kernel::KernelHost& Kernel() { return host_; }
    kernel::KernelTrace& Trace() { return host_.Trace(); }

    // Pool blocks not yet freed, over all tags (0 once everything is closed).
    std::size_t OutstandingPool() { return host_.Pool().OutstandingTotal(); }

    // Stops the other sources, unplugs every projector, removes every device, closes handles left
    // open, unloads the driver and joins the kernel's threads. Call it after
    // the program has ended.
    // Idempotent.
    void Shutdown();

private:
    kernel::KernelHost host_;
    kernel::HostedDeviceAccess access_;
    HostedDeviceNotifications notifications_;
    std::vector<std::unique_ptr<DeviceSource>> sources_;
    std::vector<std::unique_ptr<sim::VirtualProjector>> projectors_;  // kept until Shutdown
    sim::VirtualProjector* projector_ = nullptr;
    bool shutDown_ = false;
};

}  // namespace corvane::hosted
