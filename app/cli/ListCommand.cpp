// corvane-cli list: the projector interfaces the driver offers now (waiting
// up to the time-out for the first).
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/cli/Commands.h"
#include "app/cli/DeviceOptions.h"
#include "app/cli/DeviceSession.h"
#include "app/cli/EventPrinter.h"
#include "app/cli/Options.h"
#include "common/UsbCtrl.h"
#include "platform/NativeDevices.h"
#include "platform/hosted/HostedSystem.h"

namespace corvane::cli {

int RunListCommand(const CliArguments& arguments, const CliStreams& streams) {
    constexpr const char* kName = "list";
    DeviceOptions options;
    if (std::string error = ReadDeviceOptions(arguments, false, options); !error.empty()) {
        return BadUsage(streams, kName, error);
    }
    if (!options.positionals.empty()) {
        return BadUsage(streams, kName, "takes no arguments");
    }
    const auto started = std::chrono::steady_clock::now();
    kernel::KernelHost::Options kernelOptions;
    kernelOptions.echoTrace = options.traceDriver;
    kernelOptions.keepTrace = false;
    hosted::HostedSystem system(kernelOptions);
    if (!PlugSimulatedProjector(system, options, streams)) {
        return kExitBadUsage;
    }
    const auto deadline = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(options.timeoutSeconds));
    const std::unique_ptr<platform::NativeDevices> native =
        options.simulate ? nullptr : platform::OpenNativeDevices();
    platform::DeviceAccess& devices = native ? native->Access() : system.DeviceAccess();
    std::vector<std::string> interfaces = devices.PresentInterfaces(USBCTRL_GUID);
    while (interfaces.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        interfaces = devices.PresentInterfaces(USBCTRL_GUID);
    }
    OperationSummary summary;
    summary.operation = kName;
    summary.ok = !interfaces.empty();
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!summary.ok) {
        summary.errorText = "No projector interface is present";
    }
    for (const std::string& path : interfaces) {
        if (options.json) {
            std::fprintf(streams.out, "{\"event\":\"interface\",\"path\":%s}\n",
                         JsonString(path).c_str());
        } else {
            std::fprintf(streams.out, "%s\n", path.c_str());
        }
    }
    if (options.json) {
        MakeJsonPrinter(streams)->Summary(summary);
    } else if (!summary.ok) {
        std::fprintf(streams.err, "list: %s\n", summary.errorText.c_str());
    }
    system.Shutdown();
    return summary.ok ? kExitSuccess : kExitNoProjector;
}

}  // namespace corvane::cli
