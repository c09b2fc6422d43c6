// corvane-usbfs: virtual projectors on an emulated usbfs for a command and
// everything it starts (see UsbfsProgramOptions.h and --help).
#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>

#include "sim/usbfs/ChildCommand.h"
#include "sim/usbfs/ControlFifo.h"
#include "sim/usbfs/PortPath.h"
#include "sim/usbfs/PreloadRestart.h"
#include "sim/usbfs/UsbfsEmulation.h"
#include "sim/usbfs/UsbfsProgramOptions.h"

namespace {

using namespace corvane;
using namespace std::chrono_literals;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr auto kArrival = 10s;

// The projectors by their port path's canonical name.
using ProjectorsByPort = std::map<std::string, sim::VirtualProjector*>;

std::string PortName(const std::string& text) {
    return usbfs::ParsePortPath(text)->Name();
}

void Control(const ProjectorsByPort& projectors, const std::string& line) {
    std::string error;
    const auto command = usbfs::ParseControlLine(line, &error);
    if (!command) {
        if (!error.empty()) {
            std::cerr << "corvane-usbfs: " << error << "\n";
        }
        return;
    }
    const auto found = projectors.find(PortName(command->port));
    if (found == projectors.end()) {
        std::cerr << "corvane-usbfs: no projector on port " << command->port << "\n";
        return;
    }
    if (command->plug) {
        found->second->Plug();
    } else {
        found->second->Unplug();
    }
}

int Serve(const usbfs::UsbfsProgramOptions& options) {
    usbfs::UsbfsEmulation emulation;
    ProjectorsByPort projectors;
    for (const usbfs::ProjectorSetup& setup : options.projectors) {
        sim::VirtualProjector& projector = emulation.AddProjector(setup.config, setup.port);
        projectors[PortName(setup.port.path)] = &projector;
        if (setup.config.startAttached && !emulation.WaitUntilPresent(projector, true, kArrival)) {
            std::cerr << "corvane-usbfs: the projector on port " << setup.port.path
                      << " did not appear\n";
            return kFailure;
        }
    }
    std::unique_ptr<usbfs::ControlFifo> control;
    if (!options.controlFifo.empty()) {
        control = std::make_unique<usbfs::ControlFifo>(
            options.controlFifo,
            [&projectors](const std::string& line) { Control(projectors, line); });
    }

    int status = usbfs::RunChildCommand(options.command);
    control.reset();
    for (const usbfs::FlashDump& dump : options.dumps) {
        if (!projectors.at(PortName(dump.port))->DumpFlash(dump.file)) {
            std::cerr << "corvane-usbfs: cannot write the flash of " << dump.port << " to "
                      << dump.file << "\n";
            status = status == 0 ? kFailure : status;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = usbfs::ParseUsbfsProgramOptions(args, &error);
    if (!options) {
        std::cerr << "corvane-usbfs: " << error << "\n(corvane-usbfs --help lists the options)\n";
        return kUsageError;
    }
    if (options->help) {
        std::cout << usbfs::UsbfsProgramUsage();
        return 0;
    }
    if (!usbfs::PreloadActive()) {
        usbfs::RestartUnderPreload(argv);
        std::cerr << "corvane-usbfs: cannot start again under umockdev's preload library: "
                  << std::strerror(errno) << "\n";
        return kFailure;
    }
    usbfs::HoldTerminationSignals();
    try {
        return Serve(*options);
    } catch (const std::exception& failure) {
        std::cerr << "corvane-usbfs: " << failure.what() << "\n";
        return kFailure;
    }
}
