#include "app/cli/DeviceOptions.h"

#include <charconv>
#include <cmath>

#include "app/cli/Options.h"
#include "sim/SimulateOptions.h"

namespace corvane::cli {

namespace {

bool ParseSeconds(std::string_view text, double& seconds) {
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return !text.empty() && status == std::errc() && end == text.data() + text.size() &&
           std::isfinite(seconds) && seconds >= 0 && seconds <= 86400;
}

// The --sim-* value options and the virtual projector's item each sets.
struct SimSetting {
    std::string_view option;
    std::string_view item;
};
constexpr SimSetting kSimSettings[] = {
    {"--sim-platform", "platform="},
    {"--sim-partitions", "partitions="},
    {"--sim-part-number", "part="},
    {"--sim-serial-number", "serial="},
};

std::string ReadSimulatorOptions(const ParsedOptions& parsed, DeviceOptions& options) {
    options.simulate = parsed.Flag("--simulate");
    bool anySim = parsed.Flag("--sim-pace") || parsed.Value("--sim-dump-flash").has_value() ||
                  parsed.repeated.count("--sim-fault") != 0;
    std::string error;
    for (const SimSetting& setting : kSimSettings) {
        if (const auto value = parsed.Value(setting.option)) {
            anySim = true;
            const std::string item = std::string(setting.item) + std::string(*value);
            if (!sim::ApplySimulateOption(item, options.projector, &error)) {
                return std::string(setting.option) + ": " + error;
            }
        }
    }
    if (anySim && !options.simulate) {
        return "the --sim-* options need --simulate";
    }
    if (parsed.Flag("--sim-pace")) {
        options.projector.faults.FullSpeedPacing(true);
    }
    if (const auto dump = parsed.Value("--sim-dump-flash")) {
        options.dumpFlashFile = *dump;
    }
    const auto faults = parsed.repeated.find("--sim-fault");
    if (faults != parsed.repeated.end()) {
        for (std::string_view fault : faults->second) {
            const std::optional<std::string> item = SimulatorFaultItem(fault, &error);
            if (!item || !sim::ApplySimulateOption(*item, options.projector, &error)) {
                return "--sim-fault " + std::string(fault) + ": " + error;
            }
        }
    }
    return {};
}

std::string ReadUsbOptions(const ParsedOptions& parsed, DeviceOptions& options) {
    const auto ids = parsed.repeated.find("--usb-id");
    const auto device = parsed.Value("--device");
    if (options.simulate && (device || ids != parsed.repeated.end())) {
        return "--device and --usb-id choose real projectors, not the virtual one";
    }
    if (device) {
        if (device->empty()) {
            return "--device needs a bus-port path or a serial number";
        }
        options.usb.device = *device;
    }
    if (ids != parsed.repeated.end()) {
        for (std::string_view text : ids->second) {
            const std::optional<usb::UsbId> id = usb::ParseUsbId(text);
            if (!id) {
                return "--usb-id takes VID:PID in hexadecimal (like 1209:0001), not " +
                       std::string(text);
            }
            options.usb.ids.Add(*id);
        }
    }
    return {};
}

}  // namespace

std::string AddUsbIdSetting(std::string_view setting, usb::UsbIdList& ids) {
    size_t at = 0;
    while (at < setting.size()) {
        const size_t end = setting.find_first_of(" ,\t", at);
        const std::string_view item =
            setting.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (!item.empty()) {
            const std::optional<usb::UsbId> id = usb::ParseUsbId(item);
            if (!id) {
                return "the setting UsbIds holds \"" + std::string(item) +
                       "\", not VID:PID in hexadecimal; the setting is read no further";
            }
            ids.Add(*id);
        }
        at = end == std::string_view::npos ? setting.size() : end + 1;
    }
    return {};
}

std::optional<std::string> SimulatorFaultItem(std::string_view fault, std::string* error) {
    const size_t equals = fault.find('=');
    const std::string_view key = fault.substr(0, equals);
    const std::string value =
        equals == std::string_view::npos ? std::string() : std::string(fault.substr(equals + 1));
    if (key == "nak") {
        return "refuse=" + value;
    }
    if (key == "silence-after") {
        return "silence=" + value;
    }
    if (key == "bad-crc") {
        return "wrong-crc=" + (value.empty() ? std::string("1") : value);
    }
    // The projector's own fault items are taken as they are.
    for (std::string_view own : {"refuse", "silence", "unplug-after-blocks", "unplug-at", "split",
                                 "zlp", "long-reply", "wrong-crc", "descriptor"}) {
        if (key == own && equals != std::string_view::npos) {
            return std::string(fault);
        }
    }
    if (error != nullptr) {
        *error = "unknown fault (see corvane-cli download --help)";
    }
    return std::nullopt;
}

std::string ReadDeviceOptions(const CliArguments& arguments, bool withIds, DeviceOptions& options) {
    ParsedOptions parsed;
    std::string error;
    if (!ParseOptions(
            arguments,
            {"--settings", "--timeout", "--sim-platform", "--sim-partitions", "--sim-part-number",
             "--sim-serial-number", "--sim-dump-flash", "--pn", "--sn", "--device"},
            {"--verify", "--no-hw-match", "--json", "--trace-driver", "-q", "-v", "--simulate",
             "--sim-pace"},
            parsed, error, {"--sim-fault", "--usb-id"})) {
        return error;
    }
    if (!withIds && (parsed.Value("--pn") || parsed.Value("--sn"))) {
        return "--pn and --sn belong to program-ids";
    }
    options.verify = parsed.Flag("--verify");
    options.noHwMatch = parsed.Flag("--no-hw-match");
    options.json = parsed.Flag("--json");
    options.traceDriver = parsed.Flag("--trace-driver");
    options.quiet = parsed.Flag("-q");
    options.verbose = parsed.Flag("-v");
    if (options.quiet && options.verbose) {
        return "-q and -v exclude each other";
    }
    if (const auto settings = parsed.Value("--settings")) {
        if (settings->empty()) {
            return "--settings needs a file name";
        }
        options.settingsFile = *settings;
    }
    if (const auto timeout = parsed.Value("--timeout")) {
        if (!ParseSeconds(*timeout, options.timeoutSeconds)) {
            return "--timeout takes a number of seconds from 0 to 86400";
        }
    }
    if (const auto pn = parsed.Value("--pn")) {
        options.newPartNumber = std::string(*pn);
    }
    if (const auto sn = parsed.Value("--sn")) {
        options.newSerialNumber = std::string(*sn);
    }
    for (std::string_view positional : parsed.positionals) {
        options.positionals.emplace_back(positional);
    }
    if (std::string simError = ReadSimulatorOptions(parsed, options); !simError.empty()) {
        return simError;
    }
    return ReadUsbOptions(parsed, options);
}

}  // namespace corvane::cli
