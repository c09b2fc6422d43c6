// Everything that makes one virtual projector: its identity, its flash layout,
// its USB identity and the faults it starts with. All fields have working
// defaults: a PJX2000 controller board in flash-download mode.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "sim/FaultConfig.h"
#include "sim/PartitionLayout.h"

namespace corvane::sim {

// Flash: the download mode, configuration and interface string "Projector
// Flash". Normal: the projector as it runs, "Projector Control".
enum class ProjectorMode { Flash, Normal };

// Limits the projector enforces when "S" writes its numbers: 1..N printable
// ASCII characters (0x20..0x7E); anything else gets a NAK and changes nothing.
inline constexpr size_t kMaxPartNumber = 14;
inline constexpr size_t kMaxSerialNumber = 12;
inline constexpr size_t kPlatformIdLength = 10;

// Placeholder USB ids: 1209 is the pid.codes vendor id, and product 0001 is
// one of its ids reserved for private testing. Not for shipping hardware.
inline constexpr uint16_t kVirtualProjectorVendorId = 0x1209;
inline constexpr uint16_t kVirtualProjectorProductId = 0x0001;

struct UsbIdentity {
    uint16_t vendorId = kVirtualProjectorVendorId;
    uint16_t productId = kVirtualProjectorProductId;
    uint16_t deviceRelease = 0x0100;  // bcdDevice 1.00
    std::string manufacturer = "Velta";
    std::string product = "PJX2000 Projector";
    // The USB serial-number string is the projector's serial number.
};

struct ProjectorConfig {
    std::string platformId = "PJX2000-A1";  // padded with spaces / cut to 10
    std::string partNumber = "1002-3456-01";
    std::string serialNumber = "A10000012345";
    std::string identification = "VELTA1";
    PartitionLayout layout = DefaultPartitionLayout();
    uint32_t oldFirmwareSeed = 0x0F1DF1A5;

    ProjectorMode mode = ProjectorMode::Flash;
    ProjectorMode modeAfterRestart = ProjectorMode::Flash;
    std::chrono::milliseconds restartDelay{1000};
    bool startAttached = true;

    UsbIdentity usb;
    FaultConfig faults;
};

}  // namespace corvane::sim
