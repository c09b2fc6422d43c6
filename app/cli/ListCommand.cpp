// corvane-cli list: the projectors attached now, waiting up to the time-out
// for the first. Real ones on Linux (bus-port path, ids, serial number
// string); the interfaces the driver offers with --simulate, or where the
// system's own driver serves them (Windows).
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/cli/Commands.h"
#include "app/cli/DeviceOptions.h"
#include "app/cli/DeviceSession.h"
#include "app/cli/EventPrinter.h"
#include "app/cli/Options.h"
#include "app/cli/RealProjectorRun.h"
#include "common/UsbCtrl.h"
#include "hosted/HostedSystem.h"
#include "platform/NativeDevices.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

bool Chosen(const hosted::RealProjectorEntry& entry, const std::string& device) {
    return device.empty() || entry.portPath == device || entry.serialNumber == device;
}

int ListRealProjectors(const DeviceOptions& options, const CliStreams& streams,
                       Clock::time_point started, Clock::time_point deadline) {
    constexpr const char* kName = "list";
    const auto warn = [&streams](const std::string& text) {
        std::fprintf(streams.err, "corvane-cli: %s\n", text.c_str());
    };
    const hosted::RealProjectorOptions usb = RealProjectorOptionsOf(options, warn);
    std::vector<hosted::RealProjectorEntry> entries;
    std::string error;
    for (;;) {
        std::vector<hosted::RealProjectorEntry> present;
        if (!hosted::ListRealProjectors(usb, present, &error)) {
            break;
        }
        entries.clear();
        for (hosted::RealProjectorEntry& entry : present) {
            if (Chosen(entry, usb.device)) {
                entries.push_back(std::move(entry));
            }
        }
        if (!entries.empty() || Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    OperationSummary summary;
    summary.operation = kName;
    summary.ok = !entries.empty();
    summary.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (!summary.ok) {
        summary.errorText = error.empty() ? "No projector is attached"
                                          : "No USB projector can be reached: " + error;
    }
    for (const hosted::RealProjectorEntry& entry : entries) {
        if (options.json) {
            std::fprintf(streams.out,
                         "{\"event\":\"projector\",\"path\":%s,\"ids\":%s,"
                         "\"serialNumber\":%s,\"problem\":%s}\n",
                         JsonString(entry.portPath).c_str(), JsonString(entry.ids).c_str(),
                         JsonString(entry.serialNumber).c_str(),
                         entry.problem.empty() ? "null" : JsonString(entry.problem).c_str());
        } else {
            std::fprintf(streams.out, "%-10s %s  %s\n", entry.portPath.c_str(), entry.ids.c_str(),
                         entry.serialNumber.empty() ? "-" : entry.serialNumber.c_str());
        }
        if (!entry.problem.empty()) {
            warn(entry.problem);
        }
    }
    if (options.json) {
        MakeJsonPrinter(streams)->Summary(summary);
    } else if (!summary.ok) {
        std::fprintf(streams.err, "list: %s\n", summary.errorText.c_str());
    }
    return summary.ok ? kExitSuccess : kExitNoProjector;
}

}  // namespace

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
    if (!options.simulate && native == nullptr) {
        system.Shutdown();
        return ListRealProjectors(options, streams, started, deadline);
    }
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
