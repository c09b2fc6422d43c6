#include "sim/usbfs/DeviceNumberPool.h"

namespace corvane::usbfs {

std::optional<int> DeviceNumberPool::Take() {
    for (int tried = 0; tried < kMaxDeviceNumber; ++tried) {
        const int number = next_;
        next_ = number == kMaxDeviceNumber ? 1 : number + 1;
        if (!used_[number]) {
            used_[number] = true;
            return number;
        }
    }
    return std::nullopt;
}

void DeviceNumberPool::Release(int number) {
    if (number >= 1 && number <= kMaxDeviceNumber) {
        used_[number] = false;
    }
}

bool DeviceNumberPool::InUse(int number) const {
    return number >= 1 && number <= kMaxDeviceNumber && used_[number];
}

}  // namespace corvane::usbfs
