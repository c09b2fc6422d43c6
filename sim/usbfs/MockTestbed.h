// The umockdev test bed: a private sysfs and /dev that processes running under
// umockdev's preload library see instead of the real ones, with device nodes
// whose ioctls an in-process handler answers. Not thread-safe: one thread
// changes it (the emulation's hub thread, or its owner while no other runs).
#pragma once

#include <string>

#include "sim/usbfs/SysfsRecord.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace corvane::usbfs {

class MockTestbed {
public:
    // Throws std::runtime_error when the process does not run under the
    // preload library (umockdev-wrapper), where a test bed would go unseen.
    // Processes of other users may take part: the root is open to all
    // (their uevent sockets are made in it), and device nodes carry their
    // own modes.
    MockTestbed();
    ~MockTestbed();  // removes the test bed's directory
    MockTestbed(const MockTestbed&) = delete;
    MockTestbed& operator=(const MockTestbed&) = delete;

    // The directory that stands in for "/": sys/ and dev/ are inside.
    const std::string& RootDir() const { return root_; }

    // Adds the device's sysfs directory as `name` (which may hold directories)
    // under `parentSyspath`, or under /sys/devices when that is empty, and
    // announces it with an "add" uevent (umockdev sends it). Returns its
    // syspath, "/sys/devices/...".
    std::string AddDevice(const std::string& parentSyspath, const std::string& name,
                          const SysfsRecord& record);
    void RemoveDevice(const std::string& syspath);
    void SetAttribute(const std::string& syspath, const std::string& name,
                      const std::string& value);
    // "add", "remove" or "change", to every uevent listener in the test bed.
    void Uevent(const std::string& syspath, const std::string& action);

    // The device node file ("/dev/bus/usb/001/005"), owned by this process's
    // user, with exactly `mode` (no umask).
    void CreateNode(const std::string& devnode, unsigned mode);
    void RemoveNode(const std::string& devnode);
    // From now on opening `devnode` connects to `handler`; detaching stops
    // new opens from reaching it (open descriptors keep their connection).
    // Any process may connect; the node's own mode then decides the open.
    void AttachIoctl(const std::string& devnode, UMockdevIoctlBase* handler);
    void DetachIoctl(const std::string& devnode);

private:
    UMockdevTestbed* testbed_;
    std::string root_;
};

}  // namespace corvane::usbfs
