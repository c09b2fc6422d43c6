// Virtual projectors on an emulated usbfs and sysfs: a umockdev test bed in
// which each projector is a USB device that real libusb (and anything else
// that uses usbfs and udev) finds, opens and talks to, from this process or
// from any process started under umockdev's preload with $UMOCKDEV_DIR
// inherited. The path is program -> libusb -> usbfs ioctls -> this emulation
// -> the projector's UsbDevice interface.
//
// The emulation follows each projector's own plugging: an arrival is
// enumerated as the kernel does it (descriptors read, configuration 1
// selected, a new device number, sysfs directory, device node, "add"
// uevent); a departure (Unplug, a restart, an unplug fault) fails the URBs in
// flight, sends "remove" and takes the device away. Arrivals and departures
// are handled on the emulation's own hub thread, so they become visible a
// moment after the projector reports them: see WaitUntilPresent.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/ProjectorConfig.h"
#include "sim/VirtualProjector.h"

namespace corvane::usbfs {

class DeviceSession;
class EmulatedBus;
class IoctlHandler;
class MockTestbed;
class TaskThread;

// Where and how a projector is plugged into the emulated bus.
struct EmulatedPort {
    // The port path as sysfs names it: "1-1" is bus 1, port 1 of the root
    // hub; "1-4.2" is port 2 of a hub on port 4.
    std::string path = "1-1";
    // Ids the device presents (in its descriptors and in sysfs) instead of
    // the projector's own.
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    // Another program holds the interfaces: claiming them fails with EBUSY.
    bool claimBusy = false;
    // A kernel driver ("usbhid") holds interface 0 until USBDEVFS_DISCONNECT.
    bool kernelDriverBound = false;
    // The device node's mode. Its owner is this process's user (root in CI),
    // so 0600 keeps other users out.
    unsigned nodeMode = 0666;
};

class UsbfsEmulation {
public:
    // Throws std::runtime_error unless the process runs under umockdev's
    // preload library (umockdev-wrapper), where nothing would see the test bed.
    UsbfsEmulation();
    // Unplugs every projector, ends the emulation's threads and removes the
    // test bed.
    ~UsbfsEmulation();
    UsbfsEmulation(const UsbfsEmulation&) = delete;
    UsbfsEmulation& operator=(const UsbfsEmulation&) = delete;

    // A new projector on `port`, owned by the emulation until it is destroyed.
    // Throws std::invalid_argument for a port path that is malformed, taken,
    // or on the way to another projector's (a port cannot be a hub and a
    // projector at once), and for an invalid projector configuration.
    sim::VirtualProjector& AddProjector(sim::ProjectorConfig config = {}, EmulatedPort port = {});

    // The test bed's root: $UMOCKDEV_DIR, standing in for "/".
    std::string RootDir() const;
    // The projector's device node and sysfs directory as a process under the
    // preload names them ("/dev/bus/usb/001/002", "/sys/devices/..."); empty,
    // and device number 0, while sysfs does not show it.
    std::string NodePath(const sim::VirtualProjector& projector) const;
    std::string SysfsPath(const sim::VirtualProjector& projector) const;
    int DeviceNumber(const sim::VirtualProjector& projector) const;
    // Waits until the projector's arrival (or departure) is complete, its
    // uevent sent; false on time-out.
    bool WaitUntilPresent(const sim::VirtualProjector& projector, bool present,
                          std::chrono::milliseconds timeout) const;
    // Waits until every arrival and departure reported so far has been
    // handled, its uevent sent. Call it before closing a uevent listener
    // (libusb_exit) in the same process: umockdev 0.17 ends the process when
    // a listener goes away while a uevent is being sent to it.
    void Settle() const;

private:
    struct Slot;

    const Slot& SlotOf(const sim::VirtualProjector& projector) const;
    std::shared_ptr<DeviceSession> SessionAt(const std::string& devnode) const;
    void CheckPath(const std::string& text) const;
    // Hub thread.
    void Arrive(Slot& slot);
    void Depart(Slot& slot);
    void ConfigurationChanged(Slot& slot);

    std::unique_ptr<MockTestbed> testbed_;
    std::shared_ptr<IoctlHandler> handler_;
    std::unique_ptr<EmulatedBus> bus_;
    std::unique_ptr<TaskThread> hub_;

    mutable std::mutex mutex_;
    mutable std::condition_variable presenceChanged_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace corvane::usbfs
