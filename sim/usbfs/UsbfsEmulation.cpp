#include "sim/usbfs/UsbfsEmulation.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

#include "sim/usbfs/DeviceDescriptors.h"
#include "sim/usbfs/DeviceSession.h"
#include "sim/usbfs/EmulatedBus.h"
#include "sim/usbfs/IoctlHandler.h"
#include "sim/usbfs/MockTestbed.h"
#include "sim/usbfs/PortPath.h"
#include "sim/usbfs/ProjectorPort.h"
#include "sim/usbfs/TaskThread.h"

namespace corvane::usbfs {

struct UsbfsEmulation::Slot {
    EmulatedPort port;
    PortPath path;
    std::unique_ptr<sim::VirtualProjector> projector;
    std::unique_ptr<ProjectorPort> usbPort;
    // Changed on the hub thread, under the emulation's lock. The session and
    // placement exist from just before the device is published until it has
    // been withdrawn, so that every open of its node finds them. `published`
    // holds while sysfs shows the device (from before its "add" uevent to
    // before its "remove"); `present` from after "add" to after its removal,
    // when everything a listener could see has happened.
    std::shared_ptr<DeviceSession> session;
    std::optional<Placement> placement;
    bool published = false;
    bool present = false;
    // The last stay, whose workers are waited for before the device is
    // configured again (or when the emulation ends).
    std::shared_ptr<DeviceSession> previous;
};

namespace {

// Runs a hub-thread task; the test bed reports trouble by throwing, which must
// not end the thread.
template <typename Task>
void Guarded(const char* what, Task task) {
    try {
        task();
    } catch (const std::exception& error) {
        std::cerr << "usbfs emulation: " << what << ": " << error.what() << "\n";
    }
}

bool IsAncestor(const PortPath& above, const PortPath& below) {
    return above.bus == below.bus && above.ports.size() < below.ports.size() &&
           std::equal(above.ports.begin(), above.ports.end(), below.ports.begin());
}

}  // namespace

UsbfsEmulation::UsbfsEmulation()
    : testbed_(std::make_unique<MockTestbed>()),
      handler_(std::make_shared<IoctlHandler>(
          [this](const std::string& devnode) { return SessionAt(devnode); })),
      bus_(std::make_unique<EmulatedBus>(*testbed_, handler_)),
      hub_(std::make_unique<TaskThread>()) {}

UsbfsEmulation::~UsbfsEmulation() {
    std::vector<Slot*> slots;
    {
        std::lock_guard lock(mutex_);
        for (const auto& slot : slots_) {
            slots.push_back(slot.get());
        }
    }
    for (Slot* slot : slots) {
        slot->projector->Unplug();
    }
    hub_->Drain();
    for (Slot* slot : slots) {
        slot->projector->SetPort(nullptr);
    }
    hub_->Stop();
    for (Slot* slot : slots) {
        for (const auto& session : {slot->session, slot->previous}) {
            if (session) {
                session->Stop();
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        slots_.clear();  // the projectors join their own threads
    }
    bus_->StopHubs();
    testbed_.reset();  // umockdev's handler thread ends with it
    bus_.reset();      // which may ask for the hubs' sessions until then
    handler_.reset();
}

void UsbfsEmulation::CheckPath(const std::string& text) const {
    const std::optional<PortPath> path = ParsePortPath(text);
    if (!path) {
        throw std::invalid_argument("not a USB port path: \"" + text + "\" (e.g. 1-1 or 1-4.2)");
    }
    for (const auto& slot : slots_) {
        if (slot->path == *path || IsAncestor(slot->path, *path) || IsAncestor(*path, slot->path)) {
            throw std::invalid_argument("port " + text + " clashes with the projector on " +
                                        slot->path.Name());
        }
    }
}

sim::VirtualProjector& UsbfsEmulation::AddProjector(sim::ProjectorConfig config,
                                                    EmulatedPort port) {
    auto slot = std::make_unique<Slot>();
    {
        std::lock_guard lock(mutex_);
        CheckPath(port.path);
    }
    slot->path = *ParsePortPath(port.path);
    if (port.vendorId) {
        config.usb.vendorId = *port.vendorId;
    }
    if (port.productId) {
        config.usb.productId = *port.productId;
    }
    slot->port = std::move(port);
    slot->projector = std::make_unique<sim::VirtualProjector>(std::move(config));
    Slot* raw = slot.get();
    slot->usbPort = std::make_unique<ProjectorPort>([this, raw](bool attached) {
        hub_->Post([this, raw, attached] { attached ? Arrive(*raw) : Depart(*raw); });
    });
    {
        std::lock_guard lock(mutex_);
        CheckPath(raw->port.path);  // again: another thread may have taken it meanwhile
        slots_.push_back(std::move(slot));
    }
    // The port reports changes from now on; the state it starts in is read.
    raw->projector->SetPort(raw->usbPort.get());
    if (raw->projector->IsAttached()) {
        hub_->Post([this, raw] { Arrive(*raw); });
    }
    return *raw->projector;
}

void UsbfsEmulation::Arrive(Slot& slot) {
    if (slot.session) {
        return;  // already on the bus
    }
    if (slot.previous) {
        slot.previous->Stop();
        slot.previous.reset();
    }
    sim::VirtualProjector& device = *slot.projector;
    const std::optional<DeviceDescriptors> descriptors = ReadDescriptors(device);
    if (!descriptors) {
        return;  // gone again already; its departure is on the way
    }
    // The kernel selects the first configuration of a device it enumerates.
    uint8_t configuration = descriptors->ConfigurationValue();
    uint32_t transferred = 0;
    const usb::SetupPacket select{0x00, usb::kRequestSetConfiguration, configuration, 0, 0};
    if (configuration != 0 &&
        device.ControlTransfer(select, nullptr, &transferred) != usb::UsbResult::Ok) {
        configuration = 0;
    }
    Guarded("arrival", [&] {
        const std::optional<Placement> placement = bus_->Place(slot.path);
        if (!placement) {
            throw std::runtime_error("no device number left on bus " +
                                     std::to_string(slot.path.bus));
        }
        DeviceSession::Setup setup;
        setup.path = slot.path;
        setup.deviceNumber = placement->deviceNumber;
        setup.speedMbps = kFullSpeedMbps;
        setup.descriptors = *descriptors;
        setup.configuration = configuration;
        setup.holders = {slot.port.claimBusy, slot.port.kernelDriverBound};
        DeviceSession::Events events;
        events.urbsReady = IoctlHandler::UrbsReadyEvent(handler_);
        events.configurationChanged = [this, &slot](const DeviceSession&, uint8_t) {
            hub_->Post([this, &slot] { ConfigurationChanged(slot); });
        };
        auto session = std::make_shared<DeviceSession>(device, std::move(setup), std::move(events));
        {
            std::lock_guard lock(mutex_);
            slot.session = session;
            slot.placement = placement;
            slot.published = true;
        }
        bus_->Publish(*placement, *descriptors, configuration, slot.port.nodeMode & 07777,
                      kFullSpeedMbps);
        std::lock_guard lock(mutex_);
        slot.present = true;
    });
    presenceChanged_.notify_all();
}

void UsbfsEmulation::Depart(Slot& slot) {
    if (!slot.session) {
        return;
    }
    slot.session->Depart();
    {
        std::lock_guard lock(mutex_);
        slot.published = false;
    }
    Guarded("departure", [&] { bus_->Withdraw(*slot.placement); });
    {
        std::lock_guard lock(mutex_);
        slot.previous = std::move(slot.session);
        slot.session.reset();
        slot.placement.reset();
        slot.present = false;
    }
    presenceChanged_.notify_all();
}

void UsbfsEmulation::ConfigurationChanged(Slot& slot) {
    // Whichever stay changed it, sysfs shows the one on the bus now.
    if (slot.session && slot.placement) {
        const uint8_t value = slot.session->Configuration();
        Guarded("configuration", [&] { bus_->SetConfiguration(*slot.placement, value); });
    }
}

std::shared_ptr<DeviceSession> UsbfsEmulation::SessionAt(const std::string& devnode) const {
    {
        std::lock_guard lock(mutex_);
        for (const auto& slot : slots_) {
            if (slot->placement && slot->placement->devnode == devnode) {
                return slot->session;
            }
        }
    }
    return bus_->HubSessionAt(devnode);
}

const UsbfsEmulation::Slot& UsbfsEmulation::SlotOf(const sim::VirtualProjector& projector) const {
    for (const auto& slot : slots_) {
        if (slot->projector.get() == &projector) {
            return *slot;
        }
    }
    throw std::invalid_argument("the projector is not this emulation's");
}

std::string UsbfsEmulation::RootDir() const {
    return testbed_->RootDir();
}

std::string UsbfsEmulation::NodePath(const sim::VirtualProjector& projector) const {
    std::lock_guard lock(mutex_);
    const Slot& slot = SlotOf(projector);
    return slot.published ? slot.placement->devnode : std::string();
}

std::string UsbfsEmulation::SysfsPath(const sim::VirtualProjector& projector) const {
    std::lock_guard lock(mutex_);
    const Slot& slot = SlotOf(projector);
    return slot.published ? slot.placement->syspath : std::string();
}

int UsbfsEmulation::DeviceNumber(const sim::VirtualProjector& projector) const {
    std::lock_guard lock(mutex_);
    const Slot& slot = SlotOf(projector);
    return slot.published ? slot.placement->deviceNumber : 0;
}

void UsbfsEmulation::Settle() const {
    hub_->Drain();
}

bool UsbfsEmulation::WaitUntilPresent(const sim::VirtualProjector& projector, bool present,
                                      std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    const Slot& slot = SlotOf(projector);
    return presenceChanged_.wait_for(lock, timeout, [&] { return slot.present == present; });
}

}  // namespace corvane::usbfs
