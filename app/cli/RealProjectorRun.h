// Real projectors for a run without --simulate, on a system that reaches USB
// itself (Linux): the ids of the list, of --usb-id and of the setting
// "UsbIds"; --device; and the problems a technician must hear of.
#pragma once

#include <string>

#include "app/cli/DeviceOptions.h"
#include "hosted/HostedSystem.h"
#include "hosted/RealProjectors.h"

namespace corvane::cli {

// The options of the run with the setting "UsbIds" of its settings file
// added; a setting that is not a list of ids is told to `warn` and ignored.
hosted::RealProjectorOptions RealProjectorOptionsOf(const DeviceOptions& options,
                                                    const hosted::ProblemReport& warn);

// Starts them; what cannot be done is told to `report`.
void StartRealProjectorRun(hosted::HostedSystem& system, const DeviceOptions& options,
                           const hosted::ProblemReport& report);

}  // namespace corvane::cli
