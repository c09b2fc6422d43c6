// Stands in for the device link: records every call in order and reports
// an open device in slot 0 as the test sets it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ui/DeviceLink.h"

namespace corvane::test {

class DeviceLinkDouble : public DeviceLink {
public:
    void RegisterDeviceNotifications() override { calls.push_back("register"); }
    void UnregisterDeviceNotifications() override { calls.push_back("unregister"); }
    void OnDeviceChange(uint32_t eventType, platform::LParam eventData) override {
        calls.push_back("change:" + std::to_string(eventType) + ":" + std::to_string(eventData));
        if (onDeviceChange) {
            onDeviceChange(eventType, eventData);
        }
    }
    void CloseDevice(int slot) override {
        calls.push_back("close:" + std::to_string(slot));
        if (onClose) {
            onClose();
        }
        open = false;
    }
    bool HasOpenDevice(int slot) const override { return slot == 0 && open; }

    bool open = false;
    std::vector<std::string> calls;
    std::function<void(uint32_t, platform::LParam)> onDeviceChange;
    std::function<void()> onClose;
};

}  // namespace corvane::test
