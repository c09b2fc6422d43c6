#include "platform/portable/UsbPortPath.h"

#include <charconv>

namespace corvane::usb {

namespace {

// A decimal number without sign or leading zeros, in [1, max].
std::optional<int> Number(std::string_view text, int max) {
    if (text.empty() || text.front() == '0') {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

// Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of the
// temporaries a chain of + makes when it is optimising.
std::string PortPath::Name() const {
    std::string text = std::to_string(bus);
    text += '-';
    text += DevPath();
    return text;
}

std::string PortPath::DevPath() const {
    std::string text;
    for (size_t i = 0; i < ports.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += std::to_string(ports[i]);
    }
    return text;
}

std::optional<PortPath> PortPath::Parent() const {
    if (ports.size() < 2) {
        return std::nullopt;
    }
    PortPath parent = *this;
    parent.ports.pop_back();
    return parent;
}

std::optional<PortPath> ParsePortPath(std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> bus = Number(text.substr(0, dash), kMaxBusNumber);
    if (!bus) {
        return std::nullopt;
    }
    PortPath path{*bus, {}};
    std::string_view rest = text.substr(dash + 1);
    for (;;) {
        const size_t dot = rest.find('.');
        const std::optional<int> port = Number(rest.substr(0, dot), kMaxHubPort);
        if (!port || path.ports.size() == kMaxPortDepth) {
            return std::nullopt;
        }
        path.ports.push_back(*port);
        if (dot == std::string_view::npos) {
            return path;
        }
        rest = rest.substr(dot + 1);
    }
}

}  // namespace corvane::usb
