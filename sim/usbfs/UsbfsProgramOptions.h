// The command line of corvane-usbfs:
//
//   corvane-usbfs [--projector ITEMS]... [--control FIFO] [--dump-flash PORT=FILE]...
//                 -- COMMAND [ARGS...]
//
// ITEMS is a comma-separated list of items; a comma followed by text without
// '=' continues the item before (so "partitions=4,100000,0,10000,80000,F0000"
// stays one item):
//
//   port=B-P[.P]...   where the projector is plugged in (default 1-N for the Nth)
//   id=VVVV:PPPP      USB vendor and product id it presents (hex)
//   claim-busy        another program holds its interface
//   driver-bound      a kernel driver holds interface 0 until it is detached
//   mode=OCTAL        its device node's mode, e.g. 0600 (mode=flash|normal is
//                     the projector's mode)
//   faults=ITEMS      ';'-separated virtual projector items (refuse=F:2;pacing)
//   anything else     one virtual projector item (serial=, part=, platform=,
//                     partitions=, restart-delay=, detached, refuse=, ...);
//                     see sim/SimulateOptions.h
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/ProjectorConfig.h"
#include "sim/usbfs/UsbfsEmulation.h"

namespace corvane::usbfs {

struct ProjectorSetup {
    sim::ProjectorConfig config;
    EmulatedPort port;
};

struct FlashDump {
    std::string port;
    std::string file;
};

struct UsbfsProgramOptions {
    bool help = false;
    std::vector<ProjectorSetup> projectors;  // one default projector if none was given
    std::string controlFifo;
    std::vector<FlashDump> dumps;
    std::vector<std::string> command;
};

// Reads one --projector ITEMS; `index` (from 1) picks the default port.
std::optional<ProjectorSetup> ParseProjectorSetup(const std::string& text, int index,
                                                  std::string* error);

// Reads the arguments after the program's name. nullopt, with the reason in
// *error, for a command line that is not understood.
std::optional<UsbfsProgramOptions> ParseUsbfsProgramOptions(const std::vector<std::string>& args,
                                                            std::string* error);

std::string UsbfsProgramUsage();

}  // namespace corvane::usbfs
