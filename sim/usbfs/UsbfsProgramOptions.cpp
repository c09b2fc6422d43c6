#include "sim/usbfs/UsbfsProgramOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "sim/SimulateOptions.h"
#include "sim/usbfs/PortPath.h"

namespace corvane::usbfs {

namespace {

constexpr std::array<std::string_view, 4> kFlags = {"claim-busy", "driver-bound", "detached",
                                                    "pacing"};

// Splits at commas, except where the text after a comma has no '=' and is no
// bare flag: that continues the item before.
std::vector<std::string> SetupItems(const std::string& text) {
    std::vector<std::string> items;
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        std::string piece = text.substr(begin, comma == std::string::npos ? comma : comma - begin);
        const bool continues = !items.empty() && piece.find('=') == std::string::npos &&
                               std::find(kFlags.begin(), kFlags.end(), piece) == kFlags.end();
        if (continues) {
            items.back() += "," + piece;
        } else {
            items.push_back(std::move(piece));
        }
        if (comma == std::string::npos) {
            return items;
        }
        begin = comma + 1;
    }
}

std::optional<unsigned> Number(const std::string& text, int base, unsigned max) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

bool ApplyIds(const std::string& value, EmulatedPort& port) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 4 || value.size() - colon - 1 > 4) {
        return false;
    }
    const auto vendor = Number(value.substr(0, colon), 16, 0xFFFF);
    const auto product = Number(value.substr(colon + 1), 16, 0xFFFF);
    if (!vendor || !product) {
        return false;
    }
    port.vendorId = static_cast<uint16_t>(*vendor);
    port.productId = static_cast<uint16_t>(*product);
    return true;
}

bool ApplyItem(const std::string& item, ProjectorSetup& setup, std::string* error) {
    const size_t equals = item.find('=');
    const std::string key = item.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : item.substr(equals + 1);
    const auto refuse = [&](const std::string& why) {
        *error = why + ": \"" + item + "\"";
        return false;
    };
    if (key == "port") {
        if (!ParsePortPath(value)) {
            return refuse("not a port path (e.g. 1-1 or 1-4.2)");
        }
        setup.port.path = value;
        return true;
    }
    if (key == "id") {
        return ApplyIds(value, setup.port) || refuse("not a USB id pair VVVV:PPPP");
    }
    if (item == "claim-busy") {
        setup.port.claimBusy = true;
        return true;
    }
    if (item == "driver-bound") {
        setup.port.kernelDriverBound = true;
        return true;
    }
    if (key == "mode" && !value.empty() && value[0] >= '0' && value[0] <= '9') {
        const auto mode = Number(value, 8, 07777);
        if (!mode) {
            return refuse("not an octal file mode");
        }
        setup.port.nodeMode = *mode;
        return true;
    }
    if (key == "faults") {
        return sim::ApplySimulateOptions(value, setup.config, error);
    }
    return sim::ApplySimulateOption(item, setup.config, error);
}

}  // namespace

std::optional<ProjectorSetup> ParseProjectorSetup(const std::string& text, int index,
                                                  std::string* error) {
    ProjectorSetup result;
    result.port.path = "1-" + std::to_string(index);
    for (const std::string& item : SetupItems(text)) {
        if (!item.empty() && !ApplyItem(item, result, error)) {
            return std::nullopt;
        }
    }
    return result;
}

std::optional<UsbfsProgramOptions> ParseUsbfsProgramOptions(const std::vector<std::string>& args,
                                                            std::string* error) {
    UsbfsProgramOptions options;
    size_t at = 0;
    const auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (at + 1 >= args.size()) {
            *error = option + " needs a value";
            return std::nullopt;
        }
        return args[++at];
    };
    for (; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (arg == "--") {
            ++at;
            break;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--projector") {
            const auto items = value(arg);
            if (!items) {
                return std::nullopt;
            }
            const int index = static_cast<int>(options.projectors.size()) + 1;
            auto projector = ParseProjectorSetup(*items, index, error);
            if (!projector) {
                return std::nullopt;
            }
            options.projectors.push_back(std::move(*projector));
        } else if (arg == "--control") {
            const auto fifo = value(arg);
            if (!fifo) {
                return std::nullopt;
            }
            options.controlFifo = *fifo;
        } else if (arg == "--dump-flash") {
            const auto dump = value(arg);
            if (!dump) {
                return std::nullopt;
            }
            const size_t equals = dump->find('=');
            if (equals == std::string::npos || !ParsePortPath(dump->substr(0, equals)) ||
                equals + 1 == dump->size()) {
                *error = "--dump-flash takes PORT=FILE: \"" + *dump + "\"";
                return std::nullopt;
            }
            options.dumps.push_back({dump->substr(0, equals), dump->substr(equals + 1)});
        } else if (arg.rfind("-", 0) == 0) {
            *error = "unknown option " + arg;
            return std::nullopt;
        } else {
            break;  // the command, without "--" before it
        }
    }
    options.command.assign(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());
    if (options.command.empty()) {
        *error = "no command to run (corvane-usbfs [options] -- COMMAND [ARGS...])";
        return std::nullopt;
    }
    if (options.projectors.empty()) {
        options.projectors.push_back(*ParseProjectorSetup("", 1, error));
    }
    for (const FlashDump& dump : options.dumps) {
        const auto same = [&](const ProjectorSetup& p) {
            return ParsePortPath(p.port.path) == ParsePortPath(dump.port);
        };
        if (std::none_of(options.projectors.begin(), options.projectors.end(), same)) {
            *error = "--dump-flash: no projector on port " + dump.port;
            return std::nullopt;
        }
    }
    return options;
}

std::string UsbfsProgramUsage() {
    return R"(Usage: corvane-usbfs [--projector ITEMS]... [--control FIFO] [--dump-flash PORT=FILE]...
                     -- COMMAND [ARGS...]

Serves virtual projectors on an emulated usbfs and sysfs (umockdev) and runs
COMMAND under umockdev's preload library, so that COMMAND and every process
it starts find the projectors as USB devices through libusb and udev.
Exits with COMMAND's status.

  --projector ITEMS      a projector (repeatable; one on port 1-1 without any).
                         ITEMS, comma-separated:
                           port=B-P[.P]...  its port path (default 1-N for the Nth)
                           id=VVVV:PPPP     the USB ids it presents (hex)
                           claim-busy       another program holds its interface
                           driver-bound     a kernel driver holds interface 0
                           mode=OCTAL       its device node's mode, e.g. 0600
                           faults=ITEMS     ';'-separated faults: refuse=F:2;pacing
                           serial=, part=, platform=, ident=, partitions=,
                           mode=flash|normal, restart-mode=, restart-delay=MS,
                           detached, and every fault item on its own
  --control FIFO         read "unplug PORT" and "plug PORT" lines from FIFO
                         (created if missing)
  --dump-flash PORT=FILE write the flash of the projector on PORT to FILE when
                         COMMAND has ended (repeatable)
  --help                 this text

Example:
  corvane-usbfs --projector port=1-4,serial=A10000012345,faults=refuse=F:2 \
      -- corvane-cli info
)";
}

}  // namespace corvane::usbfs
