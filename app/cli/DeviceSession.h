// One run of a device command: the Linux platform (hosted kernel, Dornik,
// device access and notifications, optionally the virtual projector), the
// program's Application over the terminal's windows, and the operation
// driver pressing the buttons. Returns the process exit status.
#pragma once

#include <functional>

#include "app/cli/DeviceOptions.h"
#include "app/cli/OperationDriver.h"

namespace corvane::hosted {
class HostedSystem;
}

namespace corvane::cli {

// For in-process tests: called with the platform once the program has ended
// and before the platform shuts down (to inspect the projector's flash).
using AfterRunHook = std::function<void(hosted::HostedSystem& system)>;

// With --simulate, plugs the virtual projector into the system; false (after
// saying why) when the projector refuses its settings.
bool PlugSimulatedProjector(hosted::HostedSystem& system, const DeviceOptions& options,
                            const CliStreams& streams);

int RunDeviceOperation(const DeviceOptions& options, OperationRequest request,
                       const CliStreams& streams, const AfterRunHook& afterRun = {});

}  // namespace corvane::cli
