#include "app/cli/DeviceSession.h"

#include <unistd.h>

#include <stdexcept>

#include "app/cli/RealProjectorRun.h"
#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/SettingsStore.h"
#include "hosted/HostedSystem.h"
#include "platform/NativeDevices.h"

namespace corvane::cli {

namespace {

std::unique_ptr<EventPrinter> MakePrinter(const DeviceOptions& options, const CliStreams& streams) {
    if (options.json) {
        return MakeJsonPrinter(streams);
    }
    PrinterOptions printer;
    printer.quiet = options.quiet;
    printer.verbose = options.verbose;
    printer.terminal = isatty(fileno(streams.out)) != 0;
    return MakeTextPrinter(streams, printer);
}

// Gives back the settings that this run changed for itself only.
void RestoreSettings(const DeviceOptions& options, const OperationDriver& driver) {
    if (!driver.HasStarted() || (!options.verify && !options.noHwMatch)) {
        return;
    }
    std::unique_ptr<platform::SettingsKey> key =
        platform::SettingsKey::OpenOrCreateOrDefault(options.settingsFile);
    if (key == nullptr) {
        return;
    }
    if (options.verify) {
        WriteSettingNumber(key.get(), SettingId::VerifyDownloads, driver.SavedVerifyDownloads());
    }
    if (options.noHwMatch) {
        WriteSettingNumber(key.get(), SettingId::MatchFilesToHardware,
                           driver.SavedMatchFilesToHardware());
    }
}

}  // namespace

bool PlugSimulatedProjector(hosted::HostedSystem& system, const DeviceOptions& options,
                            const CliStreams& streams) {
    if (!options.simulate) {
        return true;
    }
    try {
        system.PlugProjector(options.projector);
    } catch (const std::invalid_argument& refused) {
        std::fprintf(streams.err, "corvane-cli: the virtual projector refuses its settings: %s\n",
                     refused.what());
        return false;
    }
    return true;
}

int RunDeviceOperation(const DeviceOptions& options, OperationRequest request,
                       const CliStreams& streams, const AfterRunHook& afterRun) {
    InterruptWatch interrupts;
    kernel::KernelHost::Options kernelOptions;
    kernelOptions.echoTrace = options.traceDriver;
    kernelOptions.keepTrace = false;
    hosted::HostedSystem system(kernelOptions);
    if (!PlugSimulatedProjector(system, options, streams)) {
        return kExitBadUsage;
    }
    // A real projector through the system's own driver where there is one
    // (Windows); the virtual one, and on Linux a real one through libusb,
    // through the hosted kernel.
    const std::unique_ptr<platform::NativeDevices> native =
        options.simulate ? nullptr : platform::OpenNativeDevices();
    if (!options.simulate && native == nullptr) {
        StartRealProjectorRun(system, options, [&streams](const std::string& text) {
            std::fprintf(streams.err, "corvane-cli: %s\n", text.c_str());
        });
    }
    platform::DeviceAccess& devices = native ? native->Access() : system.DeviceAccess();
    platform::DeviceNotifications& notifications =
        native ? native->Notifications() : system.Notifications();
    const std::unique_ptr<EventPrinter> printer = MakePrinter(options, streams);
    TextWindowFactory windows(*printer);
    ApplicationPlatform platform;
    platform.settingsFile = options.settingsFile;
    Application application(
        windows, devices,
        [&notifications](Application& app) -> std::unique_ptr<DeviceLink> {
            return std::make_unique<ProjectorDeviceLink>(app, notifications);
        },
        platform);
    OperationDriver driver(application, windows, *printer, options, std::move(request),
                           &interrupts);
    if (options.simulate) {
        driver.SetPowerCycle([&system] {
            sim::VirtualProjector* projector = system.Projector();
            if (projector == nullptr || !projector->IsAttached()) {
                return false;
            }
            projector->Unplug();  // the cable: a transfer it holds fails at once
            return true;
        });
    }
    windows.SetEvents(driver);
    windows.SetDriver(&driver);
    application.Run();
    windows.SetEvents(*printer);
    RestoreSettings(options, driver);
    printer->Summary(driver.Summary());

    int status = driver.ExitStatus();
    if (!options.dumpFlashFile.empty() && system.Projector() != nullptr &&
        !system.Projector()->DumpFlash(options.dumpFlashFile)) {
        std::fprintf(streams.err, "corvane-cli: cannot write the flash to %s\n",
                     options.dumpFlashFile.c_str());
        if (status == kExitSuccess) {
            status = kExitFailure;
        }
    }
    if (afterRun) {
        afterRun(system);
    }
    system.Shutdown();
    return status;
}

}  // namespace corvane::cli
