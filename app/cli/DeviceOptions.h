// The options every command that talks to a projector takes: the run's
// settings, output, time-out and the virtual projector (--simulate, --sim-*).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/CliCommand.h"
#include "hosted/RealProjectors.h"
#include "sim/ProjectorConfig.h"

namespace corvane::cli {

inline constexpr int kExitNoProjector = 3;  // none appeared within the time-out

struct DeviceOptions {
    bool verify = false;       // VerifyDownloads on for this run
    bool noHwMatch = false;    // MatchFilesToHardware off for this run
    bool json = false;         // one JSON object per line
    bool traceDriver = false;  // the driver's trace on stderr
    bool quiet = false;
    bool verbose = false;
    std::string settingsFile;  // empty: the default location
    double timeoutSeconds = 10;

    hosted::RealProjectorOptions usb;  // --device, --usb-id

    bool simulate = false;
    sim::ProjectorConfig projector;
    std::string dumpFlashFile;  // empty: no dump

    std::vector<std::string> positionals;
    std::optional<std::string> newPartNumber;    // program-ids --pn
    std::optional<std::string> newSerialNumber;  // program-ids --sn
};

// Reads the arguments of a device command. withIds allows --pn and --sn.
// An error text when they are not understood.
std::string ReadDeviceOptions(const CliArguments& arguments, bool withIds, DeviceOptions& options);

// Adds the ids of the "UsbIds" setting (hexadecimal VID:PID, separated by
// spaces or commas) to `ids`; an error text naming the first that is not one.
std::string AddUsbIdSetting(std::string_view setting, usb::UsbIdList& ids);

// One --sim-fault item as the virtual projector's own item text; an error
// text in *error when it is not a fault.
std::optional<std::string> SimulatorFaultItem(std::string_view fault, std::string* error);

}  // namespace corvane::cli
