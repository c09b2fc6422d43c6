// Device numbers on one bus, handed out as the kernel does: round robin from
// 1 to 127, skipping numbers in use, so a device that comes back gets a new
// number rather than its old one.
#pragma once

#include <bitset>
#include <optional>

namespace corvane::usbfs {

inline constexpr int kMaxDeviceNumber = 127;

class DeviceNumberPool {
public:
    // nullopt when all 127 are in use.
    std::optional<int> Take();
    void Release(int number);
    bool InUse(int number) const;

private:
    std::bitset<kMaxDeviceNumber + 1> used_;
    int next_ = 1;
};

}  // namespace corvane::usbfs
