#include "platform/libusb/UsbDeviceWatch.h"

#include <libusb.h>

#include <chrono>

namespace corvane::usb {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(250);

}  // namespace

UsbDeviceWatch::UsbDeviceWatch(LibusbContext& context, UsbDeviceEvents events, bool polling)
    : context_(context),
      events_(std::move(events)),
      hotplug_(!polling && libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0) {
    if (hotplug_) {
        // Runs on the event thread, and in the registration for the devices
        // present: it only queues, the watch's thread does the work.
        auto notice = [](libusb_context*, libusb_device* device, libusb_hotplug_event event,
                         void* watch) -> int {
            static_cast<UsbDeviceWatch*>(watch)->Queue(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED,
                                                       device);
            return 0;  // stay registered
        };
        const int result = libusb_hotplug_register_callback(
            context_.Get(),
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_ENUMERATE, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
            LIBUSB_HOTPLUG_MATCH_ANY, notice, this, &callback_);
        hotplug_ = result == LIBUSB_SUCCESS;
    }
    thread_ = std::thread([this] { Run(); });
}

UsbDeviceWatch::~UsbDeviceWatch() {
    Stop();
}

void UsbDeviceWatch::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
    }
    if (hotplug_) {
        // After this no notice runs (libusb waits for one under way).
        libusb_hotplug_deregister_callback(context_.Get(), callback_);
    }
    changed_.notify_all();
    thread_.join();
    for (const Change& change : changes_) {
        libusb_unref_device(change.device);
    }
    changes_.clear();
}

void UsbDeviceWatch::Queue(bool arrived, libusb_device* device) {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        return;
    }
    changes_.push_back(Change{arrived, libusb_ref_device(device)});
    changed_.notify_all();
}

void UsbDeviceWatch::Run() {
    std::set<libusb_device*> known;  // polling only: referenced while present
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!hotplug_) {
            lock.unlock();
            PollOnce(known);
            lock.lock();
        }
        while (!changes_.empty() && !stopping_) {
            const Change change = changes_.front();
            changes_.pop_front();
            lock.unlock();
            (change.arrived ? events_.arrived : events_.left)(change.device);
            libusb_unref_device(change.device);
            lock.lock();
        }
        if (hotplug_) {
            changed_.wait(lock, [this] { return stopping_ || !changes_.empty(); });
        } else {
            changed_.wait_for(lock, kPollInterval, [this] { return stopping_; });
        }
    }
    lock.unlock();
    for (libusb_device* device : known) {
        libusb_unref_device(device);
    }
}

void UsbDeviceWatch::PollOnce(std::set<libusb_device*>& known) {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_.Get(), &list);
    if (count < 0) {
        return;
    }
    const std::set<libusb_device*> present(list, list + count);
    for (libusb_device* device : known) {
        if (present.count(device) == 0) {
            Queue(false, device);
            libusb_unref_device(device);
        }
    }
    for (libusb_device* device : present) {
        if (known.count(device) == 0) {
            Queue(true, device);
            libusb_ref_device(device);
        }
    }
    known = present;
    libusb_free_device_list(list, 1);
}

}  // namespace corvane::usb
