#include "platform/NativeDevices.h"

namespace corvane::platform {

// A libusb device under the hosted bus will be Linux's way to a real
// projector; until then there is none.
std::unique_ptr<NativeDevices> OpenNativeDevices() {
    return nullptr;
}

}  // namespace corvane::platform
