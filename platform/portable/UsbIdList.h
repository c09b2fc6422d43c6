// The USB ids the program opens: the projector's own (the list the INF and
// the udev rule are made from) and the ones a user adds (--usb-id VID:PID).
// A device with any other id is never opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::usb {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool operator==(const UsbId&) const = default;
};

// "VID:PID" in hexadecimal, one to four digits each ("1209:0001"); nullopt
// for anything else.
std::optional<UsbId> ParseUsbId(std::string_view text);

class UsbIdList {
public:
    UsbIdList();  // the projector's own ids
    void Add(UsbId id);
    bool Contains(uint16_t vendor, uint16_t product) const;
    const std::vector<UsbId>& Ids() const { return ids_; }

private:
    std::vector<UsbId> ids_;
};

}  // namespace corvane::usb
