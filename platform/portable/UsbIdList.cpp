#include "platform/portable/UsbIdList.h"

#include <algorithm>
#include <charconv>

#include "common/ProjectorUsbIds.h"

namespace corvane::usb {

namespace {

std::optional<uint16_t> ParseHex16(std::string_view text) {
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (status != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<UsbId> ParseUsbId(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto vendor = ParseHex16(text.substr(0, colon));
    const auto product = ParseHex16(text.substr(colon + 1));
    if (!vendor || !product) {
        return std::nullopt;
    }
    return UsbId{*vendor, *product};
}

UsbIdList::UsbIdList() {
    for (const ProjectorUsbId& id : kProjectorUsbIds) {
        ids_.push_back(UsbId{id.vendor, id.product});
    }
}

void UsbIdList::Add(UsbId id) {
    if (!Contains(id.vendor, id.product)) {
        ids_.push_back(id);
    }
}

bool UsbIdList::Contains(uint16_t vendor, uint16_t product) const {
    return std::find(ids_.begin(), ids_.end(), UsbId{vendor, product}) != ids_.end();
}

}  // namespace corvane::usb
