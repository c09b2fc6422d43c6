// Tells which USB devices arrive and leave: from libusb's hot-plug notices
// where the system has them, else by looking at the device list four times a
// second. The devices present at the start arrive first. Both calls run on
// the watch's own thread, one at a time and in order, so they may open
// devices and take their time; each libusb_device is valid during its call
// (take a reference to keep it).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "platform/libusb/LibusbContext.h"

struct libusb_device;

namespace corvane::usb {

struct UsbDeviceEvents {
    std::function<void(libusb_device*)> arrived;
    std::function<void(libusb_device*)> left;
};

class UsbDeviceWatch {
public:
    // polling: look at the device list even where hot-plug notices come.
    UsbDeviceWatch(LibusbContext& context, UsbDeviceEvents events, bool polling = false);
    ~UsbDeviceWatch();  // Stop()
    UsbDeviceWatch(const UsbDeviceWatch&) = delete;
    UsbDeviceWatch& operator=(const UsbDeviceWatch&) = delete;

    // No call runs once it returns. Idempotent.
    void Stop();
    bool UsesHotplug() const { return hotplug_; }

private:
    struct Change {
        bool arrived;
        libusb_device* device;  // referenced until handled
    };

    // Takes a reference on the device until the change is handled.
    void Queue(bool arrived, libusb_device* device);
    void Run();
    void PollOnce(std::set<libusb_device*>& known);

    LibusbContext& context_;
    UsbDeviceEvents events_;
    bool hotplug_;
    int callback_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Change> changes_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace corvane::usb
