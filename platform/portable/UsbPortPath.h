// Where a device sits in the USB tree, named as Linux names it: "1-4.2" is
// port 2 of the hub on port 4 of bus 1's root hub. The path stays the same for
// a socket, whatever address the device gets; a root hub has none.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::usb {

// Limits of the kernel: bus numbers, ports on one hub, and a root-hub port
// followed by at most five hubs.
inline constexpr int kMaxBusNumber = 64;
inline constexpr int kMaxHubPort = 31;
inline constexpr size_t kMaxPortDepth = 6;

struct PortPath {
    int bus = 1;
    std::vector<int> ports{1};  // from the root hub outwards; never empty

    std::string Name() const;  // "1-4.2"
    // The hub the device is plugged into: "1-4" for "1-4.2"; nullopt when that
    // is the root hub.
    std::optional<PortPath> Parent() const;
    // "4.2": the ports alone, as the sysfs attribute devpath shows them.
    std::string DevPath() const;

    bool operator==(const PortPath&) const = default;
    auto operator<=>(const PortPath&) const = default;
};

// Parses "B-P[.P]..."; nullopt for anything else or numbers out of range.
std::optional<PortPath> ParsePortPath(std::string_view text);

}  // namespace corvane::usb
