#include "sim/usbfs/MockTestbed.h"

#include <glib.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace corvane::usbfs {

namespace {

// NULL-terminated name, value, name, value, ... as umockdev takes them.
std::vector<gchar*> Pairs(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<gchar*> list;
    for (const auto& [name, value] : entries) {
        list.push_back(const_cast<gchar*>(name.c_str()));
        list.push_back(const_cast<gchar*>(value.c_str()));
    }
    list.push_back(nullptr);
    return list;
}

std::string Parent(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

}  // namespace

MockTestbed::MockTestbed() : testbed_(umockdev_testbed_new()) {
    // The check looks at /sys, so it means something only once a test bed
    // exists to redirect it.
    if (!umockdev_in_mock_environment()) {
        g_object_unref(testbed_);
        throw std::runtime_error(
            "the emulated usbfs needs umockdev's preload library: run the program under "
            "umockdev-wrapper (LD_PRELOAD=libumockdev-preload.so.0)");
    }
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    // Every process under the preload makes its uevent socket here, named by
    // its descriptor number, and removes whatever an earlier process left
    // under that name: so the root is open to all, without the sticky bit.
    chmod(root_.c_str(), 0777);
    // libusb looks for usbfs here before any device exists.
    g_mkdir_with_parents((root_ + "/dev/bus/usb").c_str(), 0755);
}

MockTestbed::~MockTestbed() {
    g_object_unref(testbed_);
}

std::string MockTestbed::AddDevice(const std::string& parentSyspath, const std::string& name,
                                   const SysfsRecord& record) {
    // umockdev sends the "add" uevent before it returns, so the binary
    // descriptors, which it cannot take along, go into the directory first:
    // a listener must find the device complete.
    const std::string syspath =
        (parentSyspath.empty() ? std::string("/sys/devices") : parentSyspath) + "/" + name;
    const std::string dir = root_ + syspath;
    g_mkdir_with_parents(dir.c_str(), 0755);
    const std::string descriptors = dir + "/descriptors";
    if (!g_file_set_contents(descriptors.c_str(),
                             reinterpret_cast<const gchar*>(record.descriptors.data()),
                             static_cast<gssize>(record.descriptors.size()), nullptr)) {
        throw std::runtime_error("cannot write " + descriptors);
    }
    std::vector<gchar*> attributes = Pairs(record.attributes);
    std::vector<gchar*> properties = Pairs(record.properties);
    gchar* added = umockdev_testbed_add_devicev(
        testbed_, "usb", name.c_str(), parentSyspath.empty() ? nullptr : parentSyspath.c_str(),
        attributes.data(), properties.data());
    if (added == nullptr) {
        throw std::runtime_error("umockdev refused device " + name);
    }
    g_free(added);
    return syspath;
}

void MockTestbed::RemoveDevice(const std::string& syspath) {
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

void MockTestbed::SetAttribute(const std::string& syspath, const std::string& name,
                               const std::string& value) {
    umockdev_testbed_set_attribute(testbed_, syspath.c_str(), name.c_str(), value.c_str());
}

void MockTestbed::Uevent(const std::string& syspath, const std::string& action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action.c_str());
}

void MockTestbed::CreateNode(const std::string& devnode, unsigned mode) {
    const std::string file = root_ + devnode;
    g_mkdir_with_parents(Parent(file).c_str(), 0755);
    if (!g_file_set_contents(file.c_str(), "", 0, nullptr) ||
        chmod(file.c_str(), static_cast<mode_t>(mode)) != 0) {
        throw std::runtime_error("cannot create device node " + file + ": " + std::strerror(errno));
    }
}

void MockTestbed::RemoveNode(const std::string& devnode) {
    unlink((root_ + devnode).c_str());
}

void MockTestbed::AttachIoctl(const std::string& devnode, UMockdevIoctlBase* handler) {
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode.c_str(), handler, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot attach the ioctl handler to " + devnode + ": " + message);
    }
    // umockdev's preload library connects to the node's socket before it
    // opens the node, and ends the process when it cannot: let everyone
    // connect, so that the node's mode refuses with EACCES as the kernel would.
    chmod((root_ + "/ioctl" + devnode).c_str(), 0666);
}

void MockTestbed::DetachIoctl(const std::string& devnode) {
    umockdev_testbed_detach_ioctl(testbed_, devnode.c_str(), nullptr);
}

}  // namespace corvane::usbfs
