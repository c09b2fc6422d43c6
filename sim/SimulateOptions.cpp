#include "sim/SimulateOptions.h"

#include <charconv>
#include <optional>
#include <vector>

namespace corvane::sim {

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t begin = 0;
    for (;;) {
        const size_t at = text.find(separator, begin);
        parts.push_back(text.substr(begin, at == std::string_view::npos ? at : at - begin));
        if (at == std::string_view::npos) {
            return parts;
        }
        begin = at + 1;
    }
}

std::optional<long long> Number(std::string_view text, long long max) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> Times(const std::vector<std::string_view>& parts, size_t at) {
    if (parts.size() <= at) {
        return 1;
    }
    if (parts.size() > at + 1) {
        return std::nullopt;
    }
    if (parts[at] == "always") {
        return kAlways;
    }
    const auto n = Number(parts[at], 1000000);
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<ProjectorMode> Mode(std::string_view text) {
    if (text == "flash") {
        return ProjectorMode::Flash;
    }
    if (text == "normal") {
        return ProjectorMode::Normal;
    }
    return std::nullopt;
}

// Faults aimed at a command: "CMD[:N]" or "CMD:VALUE[:N]".
bool ApplyCommandFault(std::string_view key, std::string_view value, FaultConfig& faults) {
    const std::vector<std::string_view> parts = Split(value, ':');
    const std::optional<Command> command = CommandFromName(parts[0]);
    if (!command) {
        return false;
    }
    if (key == "refuse" || key == "zlp") {
        const auto times = Times(parts, 1);
        if (!times) {
            return false;
        }
        if (key == "refuse") {
            faults.Refuse(*command, *times);
        } else {
            faults.ZeroLengthPacket(*command, *times);
        }
        return true;
    }
    if (key == "split" || key == "long-reply") {
        const auto amount = parts.size() > 1 ? Number(parts[1], 65535) : std::nullopt;
        const auto times = Times(parts, 2);
        if (!amount || *amount == 0 || !times) {
            return false;
        }
        const auto size = static_cast<size_t>(*amount);
        if (key == "split") {
            faults.Split(*command, size, *times);
        } else {
            faults.LongReply(*command, size, *times);
        }
        return true;
    }
    if (parts.size() != 1) {
        return false;
    }
    if (key == "silence") {
        faults.SilenceAt(*command);
    } else {
        faults.UnplugAt(*command);
    }
    return true;
}

bool Apply(std::string_view key, std::string_view value, bool hasValue, ProjectorConfig& c) {
    if (!hasValue) {
        if (key == "pacing") {
            c.faults.FullSpeedPacing();
            return true;
        }
        if (key == "detached") {
            c.startAttached = false;
            return true;
        }
        return false;
    }
    if (key == "platform" || key == "part" || key == "serial" || key == "ident") {
        std::string& field = key == "platform" ? c.platformId
                             : key == "part"   ? c.partNumber
                             : key == "serial" ? c.serialNumber
                                               : c.identification;
        field = std::string(value);
        return true;
    }
    if (key == "partitions") {
        const auto layout = ParsePartitionDescriptor(value);
        if (layout) {
            c.layout = *layout;
        }
        return layout.has_value();
    }
    if (key == "mode" || key == "restart-mode") {
        const auto mode = Mode(value);
        if (mode) {
            (key == "mode" ? c.mode : c.modeAfterRestart) = *mode;
        }
        return mode.has_value();
    }
    if (key == "restart-delay" || key == "unplug-after-blocks" || key == "wrong-crc") {
        const auto n = Number(value, 1000000000);
        if (!n) {
            return false;
        }
        if (key == "restart-delay") {
            c.restartDelay = std::chrono::milliseconds(*n);
        } else if (key == "unplug-after-blocks") {
            c.faults.UnplugAfterBlocks(static_cast<int>(*n));
        } else {
            c.faults.WrongChecksums(static_cast<int>(*n));
        }
        return true;
    }
    if (key == "descriptor") {
        c.faults.PartitionReply(std::string(value));
        return true;
    }
    if (key == "refuse" || key == "zlp" || key == "split" || key == "long-reply" ||
        key == "silence" || key == "unplug-at") {
        return ApplyCommandFault(key, value, c.faults);
    }
    return false;
}

}  // namespace

bool ApplySimulateOption(std::string_view item, ProjectorConfig& config, std::string* error) {
    const size_t equals = item.find('=');
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view key = item.substr(0, equals);
    const std::string_view value = hasValue ? item.substr(equals + 1) : std::string_view();
    ProjectorConfig changed = config;
    if (!Apply(key, value, hasValue, changed)) {
        if (error != nullptr) {
            *error = "not a virtual projector option: \"" + std::string(item) + "\"";
        }
        return false;
    }
    config = std::move(changed);
    return true;
}

bool ApplySimulateOptions(std::string_view items, ProjectorConfig& config, std::string* error) {
    for (std::string_view item : Split(items, ';')) {
        if (!item.empty() && !ApplySimulateOption(item, config, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace corvane::sim
