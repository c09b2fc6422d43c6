// Real projectors for the hosted system, where the program reaches USB itself
// (Linux, through libusb): every attached device with one of the listed ids
// is opened, claimed and plugged into the hosted USB bus, where Dornik starts
// it as Windows would; one that leaves is unplugged. On Windows the installed
// Dornik serves real projectors instead, and this offers nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/portable/UsbIdList.h"

namespace corvane::hosted {

class HostedSystem;

struct RealProjectorOptions {
    usb::UsbIdList ids;  // only these are opened
    // --device: a bus-port path ("1-4.2") or a serial number string; only
    // that projector is opened. Empty: any.
    std::string device;
    // Look at the device list four times a second instead of taking the
    // system's hot-plug notices (the way of systems without them).
    bool polling = false;
};

// Problems a technician must hear of (no permission, in use elsewhere); called
// from the watching thread.
using ProblemReport = std::function<void(const std::string& text)>;

// Starts watching and adds the source to the system; false, with the reason
// in *error, where USB cannot be reached at all.
bool StartRealProjectors(HostedSystem& system, RealProjectorOptions options, ProblemReport report,
                         std::string* error);

struct RealProjectorEntry {
    std::string portPath;
    std::string ids;           // "1209:0001"
    std::string serialNumber;  // empty if it has none or could not be read
    std::string problem;       // why it could not be opened; empty if it could
};

// The projectors attached now (not claimed, so also those in use elsewhere);
// false, with the reason in *error, where USB cannot be reached at all.
bool ListRealProjectors(const RealProjectorOptions& options,
                        std::vector<RealProjectorEntry>& entries, std::string* error);

}  // namespace corvane::hosted
