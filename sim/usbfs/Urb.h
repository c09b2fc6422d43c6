// A usbfs URB as the device session handles it: what SUBMITURB asked for
// (with the OUT bytes already copied out of the client), and what REAPURB
// writes back (with the IN bytes to copy into the client).
#pragma once

#include <cstdint>
#include <vector>

namespace corvane::usbfs {

inline constexpr size_t kSetupPacketLength = 8;
// The kernel's default usbfs memory limit; larger buffers fail with ENOMEM.
inline constexpr uint32_t kMaxUrbBytes = 16u << 20;

struct UrbSubmission {
    uint64_t clientAddress = 0;  // the client's struct usbdevfs_urb
    uint8_t type = 0;            // USBDEVFS_URB_TYPE_*
    uint8_t endpoint = 0;
    unsigned flags = 0;   // USBDEVFS_URB_*
    uint32_t length = 0;  // buffer_length
    // Control: the setup packet, then the OUT data. Bulk and interrupt OUT:
    // the data. IN: empty.
    std::vector<uint8_t> out;
};

struct UrbCompletion {
    uint64_t clientAddress = 0;
    uint8_t type = 0;
    int status = 0;  // 0 or a negative errno, as the kernel reports it
    uint32_t actualLength = 0;
    std::vector<uint8_t> in;  // IN data (control: after the setup packet)
};

}  // namespace corvane::usbfs
