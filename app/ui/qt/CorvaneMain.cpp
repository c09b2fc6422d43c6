#include "app/ui/qt/CorvaneMain.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/cli/RealProjectorRun.h"
#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/Application.h"
#include "app/ui/qt/CorvaneOptions.h"
#include "app/ui/qt/QtWindowFactory.h"
#include "app/ui/qt/StartupProbe.h"
#include "app/ui/qt/VirtualProjectorWindow.h"
#include "hosted/HostedSystem.h"

namespace corvane::qt {

namespace {

constexpr const char* kUsage =
    "usage: corvane [--settings FILE] [--device PATH] [--usb-id VID:PID]...\n"
    "       corvane [--settings FILE] --simulate [--sim-platform TEXT] [--sim-part-number TEXT]\n"
    "               [--sim-serial-number TEXT] [--sim-partitions DESCRIPTOR] [--sim-pace]\n"
    "               [--sim-fault FAULT]... [--sim-dump-flash FILE]\n"
    "Without --simulate the program takes up a real projector through libusb: --device\n"
    "picks one by its bus-port path (see corvane-cli list) or serial number, --usb-id\n"
    "opens devices with another id too.\n"
    "--simulate plugs a virtual projector in and opens its window beside the main window.\n"
    "About Corvane: the main window's context menu, or F1.\n";

}  // namespace

int RunCorvane(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    cli::DeviceOptions options;
    const std::string error = ReadCorvaneOptions(arguments, options);
    if (!error.empty()) {
        std::fprintf(stderr, "corvane: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    QApplication qtApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    kernel::KernelHost::Options kernelOptions;
    kernelOptions.keepTrace = false;  // nobody reads the driver's trace here
    hosted::HostedSystem system(kernelOptions);
    sim::VirtualProjector* projector = nullptr;
    if (options.simulate) {
        try {
            projector = &system.PlugProjector(options.projector);
        } catch (const std::invalid_argument& refused) {
            std::fprintf(stderr, "corvane: the virtual projector refuses its settings: %s\n",
                         refused.what());
            return 2;
        }
    } else {
        // Told in a box as well as on the terminal: a technician who started
        // the program from a menu never sees the terminal.
        cli::StartRealProjectorRun(system, options, [](const std::string& text) {
            std::fprintf(stderr, "corvane: %s\n", text.c_str());
            QMetaObject::invokeMethod(
                qApp,
                [message = QString::fromStdString(text)] {
                    QMessageBox::warning(nullptr, QStringLiteral("Corvane"), message);
                },
                Qt::QueuedConnection);
        });
    }
    QtWindowFactory windows;
    ApplicationPlatform platform;
    platform.settingsFile = options.settingsFile;
    Application application(
        windows, system.DeviceAccess(),
        [&system](Application& app) -> std::unique_ptr<DeviceLink> {
            return std::make_unique<ProjectorDeviceLink>(app, system.Notifications());
        },
        platform);
    std::unique_ptr<VirtualProjectorWindow> panel;
    std::function<void(QWidget&)> mainShown;
    if (projector != nullptr) {
        panel = std::make_unique<VirtualProjectorWindow>(*projector, options.projector);
        mainShown = [&panel](QWidget& main) { panel->ShowBeside(main); };
    }
    // Start-up and idle measurements (see StartupProbe.h).
    StartupProbe probe(std::getenv("CORVANE_PROBE"));
    if (probe.Active()) {
        probe.Install(windows, application, mainShown);
    } else if (mainShown) {
        windows.SetMainWindowShown(mainShown);
    }
    const int result = application.Run();
    panel.reset();
    if (projector != nullptr && !options.dumpFlashFile.empty() &&
        !projector->DumpFlash(options.dumpFlashFile)) {
        std::fprintf(stderr, "corvane: cannot write %s\n", options.dumpFlashFile.c_str());
    }
    system.Shutdown();
    return result;
}

}  // namespace corvane::qt
