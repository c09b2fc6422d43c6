#include "hosted/HostedDeviceNotifications.h"

#include <string>
#include <vector>

namespace corvane::hosted {

HostedDeviceNotifications::HostedDeviceNotifications(kernel::HostedDeviceAccess& access)
    : access_(access) {}

HostedDeviceNotifications::~HostedDeviceNotifications() {
    std::vector<platform::DeviceNotifyHandle> handles;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [handle, id] : listeners_) {
            handles.push_back(handle);
        }
    }
    for (platform::DeviceNotifyHandle handle : handles) {
        Unregister(handle);
    }
}

platform::DeviceNotifyHandle HostedDeviceNotifications::Register(
    platform::WindowMessageQueue& queue, const UsbCtrlGuid& interfaceClass) {
    std::lock_guard lock(mutex_);
    if (failures_ > 0) {
        --failures_;
        return platform::kNoDeviceNotify;
    }
    // Runs on the Plug and Play thread: post only.
    auto post = [&queue, interfaceClass](const std::string& path, bool arrived) {
        const platform::LParam notice =
            platform::MakeDeviceInterfaceNotice(interfaceClass, path.c_str());
        if (notice == 0) {
            return;  // no memory: the change goes unannounced, as a lost broadcast
        }
        queue.Post(platform::kWindowDeviceChange,
                   arrived ? platform::kDeviceArrivalEvent : platform::kDeviceRemoveCompleteEvent,
                   notice);
    };
    const int id = access_.RegisterNotification(interfaceClass, std::move(post));
    const platform::DeviceNotifyHandle handle = nextHandle_++;
    listeners_[handle] = id;
    return handle;
}

bool HostedDeviceNotifications::Unregister(platform::DeviceNotifyHandle handle) {
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        auto it = listeners_.find(handle);
        if (it == listeners_.end()) {
            return false;
        }
        id = it->second;
        listeners_.erase(it);
    }
    access_.UnregisterNotification(id);
    return true;
}

void HostedDeviceNotifications::FailNextRegistrations(int count) {
    std::lock_guard lock(mutex_);
    failures_ = count;
}

std::size_t HostedDeviceNotifications::RegisteredCount() const {
    std::lock_guard lock(mutex_);
    return listeners_.size();
}

}  // namespace corvane::hosted
