// The port a projector is plugged into, as the projector sees it. Its reports
// arrive on the projector's threads (or the caller of Plug/Unplug); they are
// only passed on to the hub thread, never acted upon here, so nothing calls
// back into the projector from inside them.
#pragma once

#include <functional>

#include "platform/kernel/UsbDevice.h"

namespace corvane::usbfs {

class ProjectorPort final : public usb::UsbPort {
public:
    // `report(true)` for an arrival, `report(false)` for a departure.
    explicit ProjectorPort(std::function<void(bool)> report) : report_(std::move(report)) {}

    void DeviceAttached() override { report_(true); }
    void DeviceDetached() override { report_(false); }

private:
    std::function<void(bool)> report_;
};

}  // namespace corvane::usbfs
