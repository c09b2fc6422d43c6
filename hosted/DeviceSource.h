// A source of devices for the hosted USB bus besides the virtual projector
// (real projectors through libusb). The system stops its sources first when
// it shuts down, while the bus still takes devices off in order.
#pragma once

namespace corvane::hosted {

class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    // Plugs nothing more and takes its devices off the bus. Idempotent.
    virtual void Stop() = 0;
};

}  // namespace corvane::hosted
